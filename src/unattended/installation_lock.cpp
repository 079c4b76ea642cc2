#include "unattended/installation_lock.h"

#include <string>

CInstallationLock::~CInstallationLock() {
    if (m_owned) m_system.ReleaseMutex(m_mutex);
    if (m_mutex != nullptr) m_system.CloseHandle(m_mutex);
}

bool CInstallationLock::Take(unsigned seconds, CRunLog* log) {
    m_mutex = m_system.CreateMutexA(kInstallationMutexName);
    if (m_mutex == nullptr) {
        const std::uint32_t error = m_system.GetLastError();
        // Made by a run of another user, whose mutex this one may not open.
        if (error == plat::err::kAccessDenied) return false;
        if (log != nullptr) {
            log->Write("the lock against a second installation could not be made (error " +
                       std::to_string(error) + "): going on without it");
        }
        return true;
    }
    switch (m_system.WaitForSingleObject(m_mutex, seconds * 1000)) {
    case plat::kWaitObject0:
        m_owned = true;
        return true;
    case plat::kWaitAbandoned:
        m_owned = true;
        if (log != nullptr) log->Write("an earlier installation ended without giving its lock back");
        return true;
    case plat::kWaitTimeout:
        return false;
    default:
        if (log != nullptr) {
            log->Write("the lock against a second installation could not be waited for (error " +
                       std::to_string(m_system.GetLastError()) + "): going on without it");
        }
        return true;
    }
}
