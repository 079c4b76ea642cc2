// Version, word size, folders, time and last error through kernel32.
#pragma once

#include "platform/system.h"

namespace plat::win32 {

class Win32System final : public ISystem {
public:
    bool GetVersionExA(OsVersionInfo* info) override;
    bool HasIsWow64Process() override;
    bool IsWow64Process(bool* isWow64) override;
    std::uint32_t GetSystemDirectoryA(char* buf, std::uint32_t cch) override;
    std::uint32_t GetWindowsDirectoryA(char* buf, std::uint32_t cch) override;
    std::string GetModuleFileNameA() override;
    void Sleep(std::uint32_t milliseconds) override;
    std::uint32_t GetTickCount() override;
    std::uint32_t GetLastError() override;
    void SetLastError(std::uint32_t error) override;
    bool OpenProcessToken(std::uint32_t access, Handle* token) override;
    bool LookupPrivilegeValueA(const char* systemName, const char* name, Luid* luid) override;
    bool AdjustTokenPrivileges(Handle token, const Luid& luid, std::uint32_t attributes) override;
    bool CloseHandle(Handle handle) override;
    Handle CreateMutexA(const std::string& name) override;
    std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t milliseconds) override;
    bool ReleaseMutex(Handle mutex) override;
    bool CheckAdministratorsMembership(bool* member) override;
};

}  // namespace plat::win32
