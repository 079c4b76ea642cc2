// The lock every run of the installer holds while it works, dialog or
// unattended: a named mutex of the whole machine, so that a second run
// (a deployment's retry beside a running one, a person's dialog beside a
// script) changes nothing while the first restarts the spooler, unpacks
// the working files and writes the same keys.
#pragma once

#include "platform/system.h"
#include "unattended/run_log.h"

constexpr const char* kInstallationMutexName = "Global\\PrinterInstaller.Installation";

class CInstallationLock {
public:
    explicit CInstallationLock(plat::ISystem& system) : m_system(system) {}
    // Gives the lock back.
    ~CInstallationLock();
    CInstallationLock(const CInstallationLock&) = delete;
    CInstallationLock& operator=(const CInstallationLock&) = delete;

    // Waits up to `seconds` for the lock; false when another run kept it
    // that long. A lock that cannot be made at all (not a held one) is not
    // waited for: the run goes on, and `log` says so when it is given.
    bool Take(unsigned seconds, CRunLog* log);

private:
    plat::ISystem& m_system;
    plat::Handle m_mutex = nullptr;
    bool m_owned = false;
};
