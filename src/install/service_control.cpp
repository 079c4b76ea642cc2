// Bringing a service (the print spooler) into a wanted state.
#include <memory>

#include "app/installer_dlg.h"

namespace {

// Owns a service control manager or service handle.
class ScopedServiceHandle {
public:
    ScopedServiceHandle(plat::IServices& services, plat::Handle handle)
        : m_services(services), m_handle(handle) {}
    ~ScopedServiceHandle() {
        if (m_handle != nullptr) m_services.CloseServiceHandle(m_handle);
    }
    ScopedServiceHandle(const ScopedServiceHandle&) = delete;
    ScopedServiceHandle& operator=(const ScopedServiceHandle&) = delete;
    plat::Handle get() const { return m_handle; }

private:
    plat::IServices& m_services;
    plat::Handle m_handle;
};

bool IsPendingState(std::uint32_t state) {
    return state == plat::kServiceStartPending || state == plat::kServiceStopPending;
}

}  // namespace

bool CInstallerDlg::WaitForServiceState(plat::Handle service, std::uint32_t wanted,
                                        std::uint32_t known,
                                        const std::function<void()>& whileRunning) {
    // The state the caller already has may be the one wanted.
    if (known == wanted) return true;
    plat::IServices& services = m_platform.services;
    plat::ISystem& system = m_platform.system;
    const std::uint32_t start = system.GetTickCount();
    // A change that is under way is often done within a few milliseconds:
    // the first look comes after a short pause, later ones are paced.
    std::uint32_t pause = IsPendingState(known) ? kServiceFirstPollMs : 0;
    for (;;) {
        if (pause > 0) system.Sleep(pause);
        plat::ServiceStatus status;
        const bool read = services.QueryServiceStatus(service, &status);
        if (read && status.currentState == wanted) return true;
        if (read && status.currentState == plat::kServiceRunning && whileRunning) whileRunning();
        if (system.GetTickCount() - start >= kServiceWaitMs) return false;
        pause = pause == 0 ? kServiceFirstPollMs : kServicePollMs;
    }
}

void CInstallerDlg::RestartService(const char* serviceName, plat::RestartMode mode) {
    plat::IServices& services = m_platform.services;
    ScopedServiceHandle scm(services, services.OpenSCManagerA(nullptr, "ServicesActive",
                                                              plat::kScManagerAllAccess));
    ScopedServiceHandle query(services, scm.get() == nullptr
                                            ? nullptr
                                            : services.OpenServiceA(scm.get(), serviceName,
                                                                    plat::kServiceAllAccess));
    plat::ServiceStatus status;
    if (query.get() == nullptr || !services.QueryServiceStatus(query.get(), &status)) {
        // Without the state there is no telling whether a start or a stop is
        // right; stopping blindly could cut off a spooler that is printing,
        // so nothing more is tried.
        NoteStepFailure(StepFailure::kSpoolerStateUnknown);
        ShowBox(kSpoolerStatusUnknownText, AppTitle(), plat::kMbOk | plat::kMbIconInformation);
        return;
    }

    const bool stopped = status.currentState == plat::kServiceStopped;
    if (mode == plat::RestartMode::kEnsureRunning && !stopped) return;

    ScopedServiceHandle control(services,
                                services.OpenServiceA(scm.get(), serviceName, plat::kServiceAllAccess));
    bool reached = true;
    if (!stopped) {
        // A service that is still starting refuses the stop; once it runs,
        // the stop is asked for again rather than waited for in vain. The
        // status the first request hands back is where the wait starts.
        plat::ServiceStatus stopStatus;
        auto stop = [&] {
            services.ControlService(control.get(), plat::kServiceControlStop, &stopStatus);
        };
        stop();
        reached = WaitForServiceState(query.get(), plat::kServiceStopped, stopStatus.currentState,
                                      stop);
    }
    if (reached) {
        services.StartServiceA(control.get());
        reached = WaitForServiceState(query.get(), plat::kServiceRunning, plat::kServiceStopped);
    }
    if (reached) return;
    NoteStepFailure(StepFailure::kSpoolerTimedOut);
    ShowBox(kServiceLateBefore + std::string(serviceName) + kServiceLateAfter, AppTitle(),
            plat::kMbOk | plat::kMbIconWarning);
}
