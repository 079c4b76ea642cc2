// The contract tests' fixture for the Windows build: the real adapter, and
// scratch folders made and removed with the Win32 calls directly.
#include <string>
#include <vector>

#include "contract_env.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_windows.h"

namespace contract {

namespace {

// Removes a folder and everything below it; best effort.
void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA found{};
    HANDLE find = ::FindFirstFileA((dir + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = dir + "\\" + name;
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                ::DeleteFileA(path.c_str());
            }
        } while (::FindNextFileA(find, &found));
        ::FindClose(find);
    }
    ::RemoveDirectoryA(dir.c_str());
}

class Win32Env final : public Env {
public:
    ~Win32Env() override {
        for (const std::string& dir : m_scratch) RemoveTree(dir);
    }
    plat::Platform& platform() override { return m_windows.platform(); }
    std::string ScratchDir() override {
        static int count = 0;
        const std::string dir = "C:\\contract-scratch-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                std::to_string(++count);
        RemoveTree(dir);
        ::CreateDirectoryA(dir.c_str(), nullptr);
        m_scratch.push_back(dir);
        return dir;
    }
    bool WriteFile(const std::string& winPath, const std::string& bytes) override {
        HANDLE file = ::CreateFileA(winPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::CloseHandle(file);
        return ok && written == bytes.size();
    }

private:
    plat::win32::Win32Platform m_windows;
    std::vector<std::string> m_scratch;
};

}  // namespace

std::unique_ptr<Env> MakeEnv() { return std::make_unique<Win32Env>(); }

bool RunningUnderWine() {
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace contract
