// The contract tests' fixture for the native build: a fresh simulated
// Windows per test.
#include <cstdint>

#include "contract_env.h"
#include "platform/sim/sim_windows.h"

namespace contract {

namespace {

// The contract tests show no dialog.
class NoUserInterface final : public plat::IUserInterface {
public:
    std::uint32_t RegisterWindowMessageA(const char*) override { return 0xC000; }
    std::intptr_t DialogBoxParamA(int, plat::IDialogHandler&) override { return -1; }
    void KeepDialogsHidden(bool) override {}
    int MessageBoxA(const std::string&, const std::string&, std::uint32_t) override { return 0; }
};

class SimEnv final : public Env {
public:
    SimEnv() : m_platform(sim::MakePlatform(m_windows, m_ui)) {}

    plat::Platform& platform() override { return m_platform; }
    std::string ScratchDir() override {
        const std::string dir = "C:\\contract-scratch-" + std::to_string(++m_scratchCount);
        m_windows.files().MakeDirectories(dir);
        return dir;
    }
    bool WriteFile(const std::string& winPath, const std::string& bytes) override {
        return m_windows.files().WriteFile(winPath, bytes);
    }

private:
    sim::SimWindows m_windows;
    NoUserInterface m_ui;
    plat::Platform m_platform;
    int m_scratchCount = 0;
};

}  // namespace

std::unique_ptr<Env> MakeEnv() { return std::make_unique<SimEnv>(); }

bool RunningUnderWine() { return false; }

}  // namespace contract
