#include "platform/sim/sim_system.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "platform/sim/sim_text.h"

namespace sim {

namespace {

// As the Win32 calls that fill a folder name: the length written, or the
// size needed (NUL included) when `cch` is too small.
std::uint32_t CopyFolder(const std::string& folder, char* buf, std::uint32_t cch) {
    const auto length = static_cast<std::uint32_t>(folder.size());
    if (!buf || cch <= length) return length + 1;
    std::memcpy(buf, folder.c_str(), folder.size() + 1);
    return length;
}

// The privileges the simulated token holds, by name and LUID low part.
struct PrivilegeName {
    const char* name;
    std::uint32_t luid;
};
constexpr PrivilegeName kPrivileges[] = {{"SeLoadDriverPrivilege", 10}, {"SeShutdownPrivilege", 19}};
constexpr std::uint32_t kNoSuchPrivilege = 1313;

bool Failed(std::uint32_t error) {
    SetThreadLastError(error);
    return false;
}

}  // namespace

SimSystem::SimSystem(SimContext& context) : m_context(context) {
    SetVersion(plat::kVerPlatformWin32Nt, 6, 1, 7601, "Service Pack 1", 1, 1);
}

bool SimSystem::GetVersionExA(plat::OsVersionInfo* info) {
    if (auto fault = m_context.faults.Enter("GetVersionExA")) {
        SetThreadLastError(*fault);
        return false;
    }
    SimLock lock(m_context.mutex);
    if (!info) {
        SetThreadLastError(plat::err::kInvalidParameter);
        return false;
    }
    if (info->size != plat::kOsVersionInfoSize && info->size != plat::kOsVersionInfoExSize) {
        SetThreadLastError(plat::err::kInsufficientBuffer);
        return false;
    }
    info->majorVersion = m_version.majorVersion;
    info->minorVersion = m_version.minorVersion;
    info->buildNumber = m_version.buildNumber;
    info->platformId = m_version.platformId;
    info->csdVersion = m_version.csdVersion;
    if (info->size == plat::kOsVersionInfoExSize) {
        info->servicePackMajor = m_version.servicePackMajor;
        info->servicePackMinor = m_version.servicePackMinor;
        info->suiteMask = m_version.suiteMask;
        info->productType = m_version.productType;
    }
    return true;
}

bool SimSystem::HasIsWow64Process() {
    m_context.faults.Enter("HasIsWow64Process");
    SimLock lock(m_context.mutex);
    return m_hasIsWow64Process;
}

bool SimSystem::IsWow64Process(bool* isWow64) {
    if (auto fault = m_context.faults.Enter("IsWow64Process")) {
        SetThreadLastError(*fault);
        return false;
    }
    SimLock lock(m_context.mutex);
    if (!m_hasIsWow64Process) {
        SetThreadLastError(plat::err::kProcNotFound);
        return false;
    }
    if (!isWow64) {
        SetThreadLastError(plat::err::kInvalidParameter);
        return false;
    }
    *isWow64 = m_wow64;
    return true;
}

std::uint32_t SimSystem::GetSystemDirectoryA(char* buf, std::uint32_t cch) {
    if (auto fault = m_context.faults.Enter("GetSystemDirectoryA", std::to_string(cch))) {
        SetThreadLastError(*fault);
        return 0;
    }
    return CopyFolder(SystemDirectory(), buf, cch);
}

std::uint32_t SimSystem::GetWindowsDirectoryA(char* buf, std::uint32_t cch) {
    if (auto fault = m_context.faults.Enter("GetWindowsDirectoryA", std::to_string(cch))) {
        SetThreadLastError(*fault);
        return 0;
    }
    return CopyFolder(WindowsDirectory(), buf, cch);
}

std::string SimSystem::GetModuleFileNameA() {
    m_context.faults.Enter("GetModuleFileNameA");
    return ModuleFileName();
}

void SimSystem::Sleep(std::uint32_t milliseconds) {
    m_context.faults.Enter("Sleep", std::to_string(milliseconds));
    m_context.clock.Advance(milliseconds);
    // Lets a thread that polls with short sleeps give way to the others.
    std::this_thread::yield();
}

std::uint32_t SimSystem::GetTickCount() {
    m_context.faults.Enter("GetTickCount");
    return static_cast<std::uint32_t>(m_context.clock.NowMs());
}

std::uint32_t SimSystem::GetLastError() { return GetThreadLastError(); }

void SimSystem::SetLastError(std::uint32_t error) { SetThreadLastError(error); }

void SimSystem::SetVersion(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor,
                           std::uint32_t build, const std::string& csdVersion,
                           std::uint16_t servicePackMajor, std::uint8_t productType) {
    SimLock lock(m_context.mutex);
    m_version = plat::OsVersionInfo{};
    m_version.platformId = platformId;
    m_version.majorVersion = major;
    m_version.minorVersion = minor;
    m_version.buildNumber = build;
    m_version.csdVersion = csdVersion;
    m_version.servicePackMajor = servicePackMajor;
    m_version.productType = productType;
}

void SimSystem::SetWow64(bool on) {
    SimLock lock(m_context.mutex);
    m_wow64 = on;
}

bool SimSystem::Wow64() const {
    SimLock lock(m_context.mutex);
    return m_wow64;
}

void SimSystem::SetHasIsWow64Process(bool on) {
    SimLock lock(m_context.mutex);
    m_hasIsWow64Process = on;
}

bool SimSystem::IsWow64ProcessExported() const {
    SimLock lock(m_context.mutex);
    return m_hasIsWow64Process;
}

void SimSystem::SetModuleFileName(const std::string& path) {
    SimLock lock(m_context.mutex);
    m_moduleFileName = path;
}

std::string SimSystem::ModuleFileName() const {
    SimLock lock(m_context.mutex);
    return m_moduleFileName;
}

std::string SimSystem::ProgramFolder() const {
    const std::string path = ModuleFileName();
    const std::string::size_type slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string SimSystem::SystemDirectory() const { return "C:\\windows\\system32"; }

std::string SimSystem::WindowsDirectory() const { return "C:\\windows"; }

bool SimSystem::OpenProcessToken(std::uint32_t access, plat::Handle* token) {
    if (auto fault = m_context.faults.Enter("OpenProcessToken", Hex(access))) return Failed(*fault);
    SimLock lock(m_context.mutex);
    if (token == nullptr) return Failed(plat::err::kInvalidParameter);
    *token = m_tokens.Add(Token{access});
    return true;
}

bool SimSystem::LookupPrivilegeValueA(const char* systemName, const char* name, plat::Luid* luid) {
    if (auto fault = m_context.faults.Enter("LookupPrivilegeValueA", name ? name : "")) {
        return Failed(*fault);
    }
    if (systemName != nullptr || name == nullptr || luid == nullptr) {
        return Failed(plat::err::kInvalidParameter);
    }
    for (const PrivilegeName& privilege : kPrivileges) {
        if (std::strcmp(privilege.name, name) == 0) {
            *luid = plat::Luid{privilege.luid, 0};
            return true;
        }
    }
    return Failed(kNoSuchPrivilege);
}

bool SimSystem::AdjustTokenPrivileges(plat::Handle token, const plat::Luid& luid,
                                      std::uint32_t attributes) {
    if (auto fault = m_context.faults.Enter("AdjustTokenPrivileges", Hex(attributes))) {
        return Failed(*fault);
    }
    SimLock lock(m_context.mutex);
    Token* found = m_tokens.Find(token);
    if (found == nullptr) return Failed(plat::err::kInvalidHandle);
    if ((found->access & plat::kTokenAdjustPrivileges) == 0) return Failed(plat::err::kAccessDenied);
    if (attributes & plat::kSePrivilegeEnabled) {
        m_enabledPrivileges.insert(luid.lowPart);
    } else {
        m_enabledPrivileges.erase(luid.lowPart);
    }
    return true;
}

bool SimSystem::CloseHandle(plat::Handle handle) {
    if (auto fault = m_context.faults.Enter("CloseHandle")) return Failed(*fault);
    {
        std::lock_guard<std::mutex> lock(m_mutexLock);
        if (const std::string* name = m_mutexHandles.Find(handle)) {
            // The last handle takes the mutex with it, as Windows does; an
            // owner's ownership stays until then (abandoned when it ends).
            auto it = m_mutexes.find(*name);
            if (it != m_mutexes.end() && --it->second.handles == 0) m_mutexes.erase(it);
            m_mutexHandles.Remove(handle);
            m_mutexReleased.notify_all();
            return true;
        }
    }
    SimLock lock(m_context.mutex);
    return m_tokens.Remove(handle) || Failed(plat::err::kInvalidHandle);
}

plat::Handle SimSystem::CreateMutexA(const std::string& name) {
    if (auto fault = m_context.faults.Enter("CreateMutexA", name)) {
        SetThreadLastError(*fault);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(m_mutexLock);
    const bool existed = m_mutexes.count(name) != 0;
    ++m_mutexes[name].handles;
    SetThreadLastError(existed ? plat::err::kAlreadyExists : plat::err::kSuccess);
    return m_mutexHandles.Add(name);
}

std::uint32_t SimSystem::WaitForSingleObject(plat::Handle handle, std::uint32_t milliseconds) {
    if (auto fault = m_context.faults.Enter("WaitForSingleObject", std::to_string(milliseconds))) {
        SetThreadLastError(*fault);
        return plat::kWaitFailed;
    }
    std::unique_lock<std::mutex> lock(m_mutexLock);
    const std::thread::id self = std::this_thread::get_id();
    auto available = [&] {
        const std::string* name = m_mutexHandles.Find(handle);
        if (name == nullptr) return true;
        const NamedMutex& mutex = m_mutexes[*name];
        return mutex.count == 0 || mutex.owner == self;
    };
    if (!m_mutexReleased.wait_for(lock, std::chrono::milliseconds(milliseconds), available)) {
        return plat::kWaitTimeout;
    }
    const std::string* name = m_mutexHandles.Find(handle);
    if (name == nullptr) {
        SetThreadLastError(plat::err::kInvalidHandle);
        return plat::kWaitFailed;
    }
    NamedMutex& mutex = m_mutexes[*name];
    mutex.owner = self;
    ++mutex.count;
    return plat::kWaitObject0;
}

bool SimSystem::ReleaseMutex(plat::Handle handle) {
    if (auto fault = m_context.faults.Enter("ReleaseMutex")) return Failed(*fault);
    std::lock_guard<std::mutex> lock(m_mutexLock);
    const std::string* name = m_mutexHandles.Find(handle);
    if (name == nullptr) return Failed(plat::err::kInvalidHandle);
    NamedMutex& mutex = m_mutexes[*name];
    if (mutex.count == 0 || mutex.owner != std::this_thread::get_id()) return Failed(plat::err::kNotOwner);
    if (--mutex.count == 0) mutex.owner = {};
    m_mutexReleased.notify_all();
    return true;
}

bool SimSystem::CheckAdministratorsMembership(bool* member) {
    if (auto fault = m_context.faults.Enter("CheckAdministratorsMembership")) return Failed(*fault);
    SimLock lock(m_context.mutex);
    if (member == nullptr) return Failed(plat::err::kInvalidParameter);
    *member = m_administrator;
    return true;
}

void SimSystem::SetAdministrator(bool on) {
    SimLock lock(m_context.mutex);
    m_administrator = on;
}

bool SimSystem::Administrator() const {
    SimLock lock(m_context.mutex);
    return m_administrator;
}

bool SimSystem::MutexOwned(const std::string& name) const {
    std::lock_guard<std::mutex> lock(m_mutexLock);
    const auto it = m_mutexes.find(name);
    return it != m_mutexes.end() && it->second.count > 0;
}

bool SimSystem::PrivilegeEnabled(const std::string& name) const {
    SimLock lock(m_context.mutex);
    for (const PrivilegeName& privilege : kPrivileges) {
        if (name == privilege.name) return m_enabledPrivileges.count(privilege.luid) != 0;
    }
    return false;
}

std::size_t SimSystem::OpenTokenCount() const {
    SimLock lock(m_context.mutex);
    return m_tokens.Size();
}

}  // namespace sim
