// The simulated system: version, word size, folders, the virtual clock and
// the thread's last error. Defaults: Windows 7 SP1 (6.1.7601), 64-bit (the
// 32-bit installer runs under WOW64), program "C:\dist\installer.exe".
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "platform/sim/sim_context.h"
#include "platform/sim/sim_handles.h"
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
};

}  // namespace sim
