#include "platform/win32/win32_command_line_host.h"

#include <vector>

namespace plat::win32 {
namespace {

bool WriteAll(HANDLE file, const std::string& text) {
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        DWORD written = 0;
        const DWORD chunk = left > 0x10000 ? 0x10000 : static_cast<DWORD>(left);
        if (!::WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
        data += written;
        left -= written;
    }
    return true;
}

}  // namespace

Win32CommandLineHost::~Win32CommandLineHost() {
    if (m_console != nullptr) ::CloseHandle(m_console);
}

HANDLE Win32CommandLineHost::Output() {
    if (m_looked) return m_output;
    m_looked = true;
    // A GUI program has a standard output only when its starter gave it one
    // (a redirection, a pipe).
    HANDLE given = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (given != nullptr && given != INVALID_HANDLE_VALUE && ::GetFileType(given) != FILE_TYPE_UNKNOWN) {
        m_output = given;
        return m_output;
    }
    // Else the console of the command prompt that started it, if any
    // (AttachConsole is there from Windows XP on).
    if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return nullptr;
    HANDLE console = ::CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) return nullptr;
    m_console = console;
    m_output = console;
    return m_output;
}

bool Win32CommandLineHost::PrintToConsole(const std::string& text) {
    HANDLE output = Output();
    return output != nullptr && WriteAll(output, text);
}

bool Win32CommandLineHost::AppendToFile(const std::string& path, const std::string& text) {
    const DWORD lastError = ::GetLastError();
    // Append-only access: every write lands at the end, also when another
    // run writes to the same log.
    HANDLE file = ::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool written = false;
    if (file != INVALID_HANDLE_VALUE) {
        written = WriteAll(file, text);
        ::CloseHandle(file);
    }
    ::SetLastError(lastError);
    return written;
}

std::string Win32CommandLineHost::TempFolder() {
    std::vector<char> buffer(MAX_PATH + 1, '\0');
    const DWORD length = ::GetTempPathA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0 || length >= buffer.size()) return "";
    return std::string(buffer.data(), length);
}

int Win32CommandLineHost::ShowMessageBox(const std::string& text, const std::string& caption,
                                         std::uint32_t type) {
    return ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), type);
}

}  // namespace plat::win32
