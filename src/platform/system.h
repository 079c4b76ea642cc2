// Version, word size, folders, time and the thread's last error.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace plat {

constexpr std::uint32_t kVerPlatformWin32Windows = 1;
constexpr std::uint32_t kVerPlatformWin32Nt = 2;
constexpr std::uint32_t kOsVersionInfoSize = 148;     // sizeof(OSVERSIONINFOA)
constexpr std::uint32_t kOsVersionInfoExSize = 156;   // sizeof(OSVERSIONINFOEXA)

// A privilege's locally unique id, as LookupPrivilegeValueA gives it.
struct Luid {
    std::uint32_t lowPart = 0;
    std::int32_t highPart = 0;
};

constexpr std::uint32_t kTokenQuery = 0x0008;
constexpr std::uint32_t kTokenAdjustPrivileges = 0x0020;
constexpr std::uint32_t kSePrivilegeEnabled = 0x00000002;

struct OsVersionInfo {
    std::uint32_t size = 0;            // selects the plain or extended record
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;
    std::uint32_t platformId = 0;
    std::string csdVersion;
    std::uint16_t servicePackMajor = 0;
    std::uint16_t servicePackMinor = 0;
    std::uint16_t suiteMask = 0;
    std::uint8_t productType = 0;
};

class ISystem {
public:
    virtual ~ISystem() = default;

    // Fails (last error kInsufficientBuffer or kInvalidParameter) when
    // `info->size` is neither record size, as GetVersionExA does.
    virtual bool GetVersionExA(OsVersionInfo* info) = 0;
    // Whether kernel32 exports IsWow64Process (looked up at run time).
    virtual bool HasIsWow64Process() = 0;
    // IsWow64Process(GetCurrentProcess(), ...).
    virtual bool IsWow64Process(bool* isWow64) = 0;
    // As GetSystemDirectoryA: length written, or the size needed.
    virtual std::uint32_t GetSystemDirectoryA(char* buf, std::uint32_t cch) = 0;
    virtual std::uint32_t GetWindowsDirectoryA(char* buf, std::uint32_t cch) = 0;
    // Full path of the running program ("C:\\dist\\installer.exe").
    virtual std::string GetModuleFileNameA() = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    virtual std::uint32_t GetTickCount() = 0;
    virtual std::uint32_t GetLastError() = 0;
    // OpenProcessToken(GetCurrentProcess(), access, token).
    virtual bool OpenProcessToken(std::uint32_t access, Handle* token) = 0;
    virtual bool LookupPrivilegeValueA(const char* systemName, const char* name, Luid* luid) = 0;
    // AdjustTokenPrivileges for one privilege, no previous state asked for.
    virtual bool AdjustTokenPrivileges(Handle token, const Luid& luid,
                                       std::uint32_t attributes) = 0;
    virtual bool CloseHandle(Handle handle) = 0;
    virtual void SetLastError(std::uint32_t error) = 0;

    // CreateMutexA(NULL, FALSE, name): the named mutex, made or, when some
    // process has made it, opened; nullptr on failure. CloseHandle frees it.
    virtual Handle CreateMutexA(const std::string& name) = 0;
    // WaitForSingleObject on a mutex: kWaitObject0 or kWaitAbandoned when
    // the calling thread now owns it (a thread that owns it already owns it
    // once more), kWaitTimeout, or kWaitFailed.
    virtual std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t milliseconds) = 0;
    // Gives up one ownership of the calling thread; fails (288) when it owns
    // none.
    virtual bool ReleaseMutex(Handle mutex) = 0;
    // CheckTokenMembership(NULL, the Administrators group's SID): whether
    // the process has an administrator's rights (where user account control
    // is on, only when elevated: a filtered token holds the group for deny
    // only).
    virtual bool CheckAdministratorsMembership(bool* member) = 0;
};

}  // namespace plat
