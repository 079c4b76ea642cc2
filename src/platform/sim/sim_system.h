// The simulated system: version, word size, folders, the virtual clock and
// the thread's last error. Defaults: Windows 7 SP1 (6.1.7601), 64-bit (the
// 32-bit installer runs under WOW64), program "C:\dist\installer.exe".
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "platform/sim/sim_context.h"
#include "platform/sim/sim_handles.h"
#include "platform/sim/sim_text.h"
#include "platform/system.h"

namespace sim {

class SimSystem final : public plat::ISystem {
public:
    explicit SimSystem(SimContext& context);

    bool GetVersionExA(plat::OsVersionInfo* info) override;
    bool HasIsWow64Process() override;
    bool IsWow64Process(bool* isWow64) override;
    std::uint32_t GetSystemDirectoryA(char* buf, std::uint32_t cch) override;
    std::string GetModuleFileNameA() override;
    // Moves the virtual clock on; never really waits.
    void Sleep(std::uint32_t milliseconds) override;
    std::uint32_t GetTickCount() override;
    // The last error is read and written without hook or faults.
    std::uint32_t GetLastError() override;
    void SetLastError(std::uint32_t error) override;
    // The process token knows "SeLoadDriverPrivilege" and
    // "SeShutdownPrivilege"; other names give 1313.
    bool OpenProcessToken(std::uint32_t access, plat::Handle* token) override;
    bool LookupPrivilegeValueA(const char* systemName, const char* name, plat::Luid* luid) override;
    bool AdjustTokenPrivileges(plat::Handle token, const plat::Luid& luid,
                               std::uint32_t attributes) override;
    bool CloseHandle(plat::Handle handle) override;
    std::uint32_t GetWindowsDirectoryA(char* buf, std::uint32_t cch) override;
    // Named mutexes are shared by every program run on this Windows. A wait
    // for one another thread owns waits for real (at most `milliseconds`),
    // since its owner is a real thread too.
    plat::Handle CreateMutexA(const std::string& name) override;
    std::uint32_t WaitForSingleObject(plat::Handle handle, std::uint32_t milliseconds) override;
    bool ReleaseMutex(plat::Handle mutex) override;
    // True unless SetAdministrator(false).
    bool CheckAdministratorsMembership(bool* member) override;

    // Test knobs and views.
    void SetVersion(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor,
                    std::uint32_t build, const std::string& csdVersion = "",
                    std::uint16_t servicePackMajor = 0, std::uint8_t productType = 1);
    void SetWow64(bool on);
    bool Wow64() const;
    // Windows before XP SP2 had no IsWow64Process export.
    void SetHasIsWow64Process(bool on);
    bool IsWow64ProcessExported() const;
    void SetModuleFileName(const std::string& path);
    std::string ModuleFileName() const;
    // The program's folder, without a trailing separator.
    std::string ProgramFolder() const;
    std::string SystemDirectory() const;
    std::string WindowsDirectory() const;
    bool PrivilegeEnabled(const std::string& name) const;
    std::size_t OpenTokenCount() const;
    // Off: the process runs without an administrator's rights.
    void SetAdministrator(bool on);
    bool Administrator() const;
    // Whether some thread owns the mutex `name`.
    bool MutexOwned(const std::string& name) const;

private:
    SimContext& m_context;
    plat::OsVersionInfo m_version;
    bool m_wow64 = true;
    bool m_hasIsWow64Process = true;
    std::string m_moduleFileName = "C:\\dist\\installer.exe";
    struct Token {
        std::uint32_t access = 0;
    };
    HandleTable<Token> m_tokens{kTokenHandleBase};
    std::set<std::uint32_t> m_enabledPrivileges;  // by LUID low part
    bool m_administrator = true;

    // Named mutexes, under a lock of their own: a wait blocks on it.
    struct NamedMutex {
        std::thread::id owner;
        int count = 0;  // ownerships the owner holds
        int handles = 0;
    };
    mutable std::mutex m_mutexLock;
    std::condition_variable m_mutexReleased;
    std::map<std::string, NamedMutex, ILess> m_mutexes;
    HandleTable<std::string> m_mutexHandles{kMutexHandleBase};  // the mutex's name
};

}  // namespace sim
