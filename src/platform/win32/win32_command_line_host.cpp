#include "platform/win32/win32_command_line_host.h"

#include <winsock2.h>

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

// An entry point of `module` as a pointer of its declared type; nullptr when
// the module lacks it.
template <typename Function>
Function EntryPoint(HMODULE module, const char* name) {
    // Through void* so the compiler accepts the change of function type.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// `text` from the ANSI code page to UTF-8.
std::string Utf8FromAnsi(const std::string& text) {
    if (text.empty()) return text;
    const int wideLength = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (wideLength <= 0) return text;
    std::vector<wchar_t> wide(static_cast<std::size_t>(wideLength));
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), wideLength);
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return text;
    std::string utf8(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

// The ws2_32 calls a connection test needs.
struct Sockets {
    decltype(&::WSAStartup) startup;
    decltype(&::WSACleanup) cleanup;
    decltype(&::socket) open;
    decltype(&::closesocket) close;
    decltype(&::ioctlsocket) control;
    decltype(&::connect) connect;
    decltype(&::select) select;
    decltype(&::inet_addr) address;
    decltype(&::gethostbyname) lookUp;
    decltype(&::htons) toNetwork;

    explicit Sockets(HMODULE ws2)
        : startup(EntryPoint<decltype(startup)>(ws2, "WSAStartup")),
          cleanup(EntryPoint<decltype(cleanup)>(ws2, "WSACleanup")),
          open(EntryPoint<decltype(open)>(ws2, "socket")),
          close(EntryPoint<decltype(close)>(ws2, "closesocket")),
          control(EntryPoint<decltype(control)>(ws2, "ioctlsocket")),
          connect(EntryPoint<decltype(connect)>(ws2, "connect")),
          select(EntryPoint<decltype(select)>(ws2, "select")),
          address(EntryPoint<decltype(address)>(ws2, "inet_addr")),
          lookUp(EntryPoint<decltype(lookUp)>(ws2, "gethostbyname")),
          toNetwork(EntryPoint<decltype(toNetwork)>(ws2, "htons")) {}
    bool Complete() const {
        return startup && cleanup && open && close && control && connect && select && address && lookUp &&
               toNetwork;
    }
};

// Whether `host`:`port` accepts a connection within `timeoutMs`: a
// non-blocking connect, then a bounded wait for it to finish.
bool Connects(const Sockets& ws, const std::string& host, std::uint32_t port, std::uint32_t timeoutMs) {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = ws.toNetwork(static_cast<u_short>(port));
    target.sin_addr.s_addr = ws.address(host.c_str());
    if (target.sin_addr.s_addr == INADDR_NONE) {
        const hostent* entry = ws.lookUp(host.c_str());
        if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_addr_list[0] == nullptr) return false;
        ::CopyMemory(&target.sin_addr, entry->h_addr_list[0], sizeof target.sin_addr);
    }
    const SOCKET socket = ws.open(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET) return false;
    u_long nonBlocking = 1;
    bool connected = false;
    if (ws.control(socket, FIONBIO, &nonBlocking) == 0) {
        if (ws.connect(socket, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
            connected = true;
        } else {
            // One socket in each set; a set that keeps it after the wait
            // tells the result (writable: connected; except: refused).
            fd_set writable{};
            fd_set failed{};
            writable.fd_count = failed.fd_count = 1;
            writable.fd_array[0] = failed.fd_array[0] = socket;
            timeval wait{static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
            connected = ws.select(0, nullptr, &writable, &failed, &wait) > 0 && writable.fd_count == 1 &&
                        failed.fd_count == 0;
        }
    }
    ws.close(socket);
    return connected;
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
    // Else the console of the command prompt that started it, if any.
    // AttachConsole is looked up, so that the program imports no more than
    // the dialog needs.
    using AttachConsoleFn = BOOL(WINAPI*)(DWORD);
    const auto attach = EntryPoint<AttachConsoleFn>(::GetModuleHandleA("kernel32"), "AttachConsole");
    if (attach == nullptr || !attach(ATTACH_PARENT_PROCESS)) return nullptr;
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
        // One write: another run's line never lands inside this one.
        DWORD count = 0;
        written = ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &count, nullptr) &&
                  count == text.size();
        ::CloseHandle(file);
    }
    ::SetLastError(lastError);
    return written;
}

bool Win32CommandLineHost::ReadWholeFile(const std::string& path, std::size_t maxBytes, std::string* text) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0;
    const DWORD size = ::GetFileSize(file, &high);
    bool read = size != INVALID_FILE_SIZE && high == 0 && size <= maxBytes;
    std::string bytes(read ? size : 0, '\0');
    for (DWORD done = 0; read && done < bytes.size();) {
        DWORD got = 0;
        read = ::ReadFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr) &&
               got > 0;
        done += got;
    }
    ::CloseHandle(file);
    if (read) *text = bytes;
    return read;
}

bool Win32CommandLineHost::WriteWholeFile(const std::string& path, const std::string& text) {
    const std::string next = path + ".tmp";
    HANDLE file = ::CreateFileA(next.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool written = WriteAll(file, Utf8FromAnsi(text)) && ::FlushFileBuffers(file);
    ::CloseHandle(file);
    if (written && ::MoveFileExA(next.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    ::DeleteFileA(next.c_str());
    return false;
}

std::string Win32CommandLineHost::FullPathName(const std::string& path) {
    const DWORD needed = ::GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return "";
    std::vector<char> buffer(needed + 1, '\0');
    const DWORD length = ::GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0 || length >= buffer.size()) return "";
    return std::string(buffer.data(), length);
}

bool Win32CommandLineHost::TcpConnects(const std::string& host, std::uint32_t port, std::uint32_t timeoutMs) {
    // From the system folder only, never from beside the program.
    char folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    HMODULE ws2 = ::LoadLibraryA((std::string(folder, length) + "\\ws2_32.dll").c_str());
    if (ws2 == nullptr) return false;
    bool connected = false;
    const Sockets ws(ws2);
    WSADATA data{};
    if (ws.Complete() && ws.startup(MAKEWORD(2, 2), &data) == 0) {
        connected = Connects(ws, host, port, timeoutMs);
        ws.cleanup();
    }
    ::FreeLibrary(ws2);
    return connected;
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
