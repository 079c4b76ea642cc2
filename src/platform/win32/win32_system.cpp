#include "platform/win32/win32_system.h"

#include <vector>

#include "platform/win32/win32_windows.h"

namespace plat::win32 {
namespace {

#ifndef _WIN64
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);

// Windows before XP SP2 has no IsWow64Process, so it is looked up at run
// time; nullptr where kernel32 lacks it.
IsWow64ProcessFn LookUpIsWow64Process() {
    HMODULE kernel32 = ::GetModuleHandleA("kernel32");
    if (kernel32 == nullptr) return nullptr;
    // Through void* so the compiler accepts the change of function type.
    return reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel32, "IsWow64Process")));
}
#endif

// Longest path Windows can hand back (the \\?\ limit), in characters.
constexpr DWORD kLongestPath = 32768;

}  // namespace

bool Win32System::GetVersionExA(OsVersionInfo* info) {
    // The record's size selects the plain or the extended form, as with the
    // Win32 call. A size larger than either record is refused here, before
    // Windows could write past the local record.
    OSVERSIONINFOEXA record{};
    if (info->size > sizeof(record)) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    record.dwOSVersionInfoSize = info->size;
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    const BOOL ok = ::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&record));
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    if (!ok) return false;
    info->majorVersion = record.dwMajorVersion;
    info->minorVersion = record.dwMinorVersion;
    info->buildNumber = record.dwBuildNumber;
    info->platformId = record.dwPlatformId;
    // szCSDVersion is NUL-terminated by Windows, but the copy stops at the
    // array's end all the same.
    const char* csd = record.szCSDVersion;
    std::size_t len = 0;
    while (len < sizeof(record.szCSDVersion) && csd[len] != '\0') ++len;
    info->csdVersion.assign(csd, len);
    if (info->size == sizeof(OSVERSIONINFOEXA)) {
        info->servicePackMajor = record.wServicePackMajor;
        info->servicePackMinor = record.wServicePackMinor;
        info->suiteMask = record.wSuiteMask;
        info->productType = record.wProductType;
    }
    return true;
}

bool Win32System::HasIsWow64Process() {
#ifdef _WIN64
    return true;
#else
    return LookUpIsWow64Process() != nullptr;
#endif
}

bool Win32System::IsWow64Process(bool* isWow64) {
#ifdef _WIN64
    // A 64-bit build runs only on 64-bit Windows. The installer asks this to
    // decide whether the 64-bit driver files apply, so the answer is yes.
    *isWow64 = true;
    return true;
#else
    IsWow64ProcessFn isWow64Process = LookUpIsWow64Process();
    if (isWow64Process == nullptr) {
        ::SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    BOOL result = FALSE;
    if (!isWow64Process(::GetCurrentProcess(), &result)) return false;
    *isWow64 = result != FALSE;
    return true;
#endif
}

std::uint32_t Win32System::GetSystemDirectoryA(char* buf, std::uint32_t cch) {
    return ::GetSystemDirectoryA(buf, cch);
}

std::uint32_t Win32System::GetWindowsDirectoryA(char* buf, std::uint32_t cch) {
    return ::GetWindowsDirectoryA(buf, cch);
}

std::string Win32System::GetModuleFileNameA() {
    // GetModuleFileNameA truncates without failing when the buffer is too
    // small (it returns the buffer's size), so the buffer grows until the
    // path fits.
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buf.size());
        const DWORD len = ::GetModuleFileNameA(nullptr, buf.data(), size);
        if (len == 0) return {};
        if (len < size) return std::string(buf.data(), len);
        if (size >= kLongestPath) return {};
        buf.resize(static_cast<std::size_t>(size) * 2);
    }
}

void Win32System::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

std::uint32_t Win32System::GetTickCount() { return ::GetTickCount(); }

std::uint32_t Win32System::GetLastError() { return ::GetLastError(); }

void Win32System::SetLastError(std::uint32_t error) { ::SetLastError(error); }

bool Win32System::OpenProcessToken(std::uint32_t access, Handle* token) {
    HANDLE handle = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), access, &handle)) return false;
    *token = handle;
    return true;
}

bool Win32System::LookupPrivilegeValueA(const char* systemName, const char* name, Luid* luid) {
    LUID value{};
    if (!::LookupPrivilegeValueA(systemName, name, &value)) return false;
    luid->lowPart = value.LowPart;
    luid->highPart = value.HighPart;
    return true;
}

bool Win32System::AdjustTokenPrivileges(Handle token, const Luid& luid, std::uint32_t attributes) {
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Luid.LowPart = luid.lowPart;
    privileges.Privileges[0].Luid.HighPart = luid.highPart;
    privileges.Privileges[0].Attributes = attributes;
    return ::AdjustTokenPrivileges(static_cast<HANDLE>(token), FALSE, &privileges, 0, nullptr,
                                   nullptr) != FALSE;
}

bool Win32System::CloseHandle(Handle handle) { return ::CloseHandle(static_cast<HANDLE>(handle)) != FALSE; }

Handle Win32System::CreateMutexA(const std::string& name) {
    return ::CreateMutexA(nullptr, FALSE, name.c_str());
}

std::uint32_t Win32System::WaitForSingleObject(Handle handle, std::uint32_t milliseconds) {
    return ::WaitForSingleObject(static_cast<HANDLE>(handle), milliseconds);
}

bool Win32System::ReleaseMutex(Handle mutex) { return ::ReleaseMutex(static_cast<HANDLE>(mutex)) != FALSE; }

bool Win32System::CheckAdministratorsMembership(bool* member) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                    0, 0, 0, 0, &administrators)) {
        return false;
    }
    BOOL isMember = FALSE;
    // The token of the calling thread's impersonation, else the process's.
    const BOOL checked = ::CheckTokenMembership(nullptr, administrators, &isMember);
    const DWORD error = ::GetLastError();
    ::FreeSid(administrators);
    if (!checked) {
        ::SetLastError(error);
        return false;
    }
    *member = isMember != FALSE;
    return true;
}

}  // namespace plat::win32
