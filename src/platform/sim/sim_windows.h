// One simulated Windows: registry, services, spooler, drives, system,
// library loader and archiver library, sharing one lock, one fault injector
// and one virtual clock. It starts as a fresh 64-bit Windows 7 with the
// "Spooler" service stopped, no printer, and the program at
// "C:\dist\installer.exe" (the archiver library is not placed anywhere).
#pragma once

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "platform/sim/sim_archiver.h"
#include "platform/sim/sim_context.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_modules.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_serial.h"
#include "platform/sim/sim_services.h"
#include "platform/sim/sim_spooler.h"
#include "platform/sim/sim_system.h"

namespace sim {

class SimWindows {
public:
    // Drives live in a fresh temporary folder (in /dev/shm when there is one
    // and TMPDIR is not set), removed by the destructor.
    SimWindows();
    // Drives live below `hostRoot`, which is created if missing and removed
    // by the destructor.
    explicit SimWindows(std::filesystem::path hostRoot);
    ~SimWindows();
    SimWindows(const SimWindows&) = delete;
    SimWindows& operator=(const SimWindows&) = delete;

    SimRegistry& registry() { return m_registry; }
    SimServices& services() { return m_services; }
    SimSpooler& spooler() { return m_spooler; }
    SimFiles& files() { return m_files; }
    SimSystem& system() { return m_system; }
    SimModules& modules() { return m_modules; }
    SimArchiver& archiver() { return m_archiver; }
    SimSerial& serial() { return m_serial; }
    FaultInjector& faults() { return m_context.faults; }
    VirtualClock& clock() { return m_context.clock; }
    const std::filesystem::path& HostRoot() const { return m_root; }

    // Shortcuts to the fault injector.
    void SetCallHook(FaultInjector::CallHook hook) { faults().SetCallHook(std::move(hook)); }
    void FailNext(const std::string& opName, std::uint32_t lastError, int count = 1) {
        faults().FailNext(opName, lastError, count);
    }
    void FailAlways(const std::string& opName, std::uint32_t lastError) {
        faults().FailAlways(opName, lastError);
    }
    void ClearFaults() { faults().ClearFaults(); }

    // Behaves as Wine 8 does where it departs from Windows: the spooler
    // quirks, AddPrinterA looking in the 32-bit environment, and a
    // volatile-only HKEY_CURRENT_CONFIG.
    void BehaveLikeWine();

private:
    // Declaration order is construction order: the folder before the drives
    // on it, the shared context before the parts that use it.
    std::filesystem::path m_root;
    SimContext m_context;
    SimFiles m_files;
    SimRegistry m_registry;
    SimSystem m_system;
    SimServices m_services;
    SimArchiver m_archiver;
    SimModules m_modules;
    SimSpooler m_spooler;
    SimSerial m_serial;
};

// The seam as the installer's logic sees it, over `windows` and the given
// user interface. Valid while both live.
plat::Platform MakePlatform(SimWindows& windows, plat::IUserInterface& ui);

}  // namespace sim
