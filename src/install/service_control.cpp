// Bringing a service (the print spooler) into a wanted state.
#include <memory>

#include "app/installer_dlg.h"

namespace {

constexpr const char* kStatusUnknown = "Service status is unknown";

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

}  // namespace

bool CInstallerDlg::WaitForServiceState(plat::Handle service, std::uint32_t wanted,
                                        const std::function<void()>& whileRunning) {
    plat::IServices& services = m_platform.services;
    plat::ISystem& system = m_platform.system;
    const std::uint32_t start = system.GetTickCount();
    for (;;) {
        plat::ServiceStatus status;
        const bool known = services.QueryServiceStatus(service, &status);
        if (known && status.currentState == wanted) return true;
        if (known && status.currentState == plat::kServiceRunning && whileRunning) whileRunning();
        if (system.GetTickCount() - start >= kServiceWaitMs) return false;
        system.Sleep(kServicePollMs);
    }
}

void CInstallerDlg::RestartService(const char* serviceName, int mode) {
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
        if (m_pWnd != nullptr) {
            m_pWnd->MessageBoxA(kStatusUnknown, AppTitle(), plat::kMbOk | plat::kMbIconInformation);
        }
        return;
    }

    const bool stopped = status.currentState == plat::kServiceStopped;
    if (mode == 16 && !stopped) return;

    ScopedServiceHandle control(services,
                                services.OpenServiceA(scm.get(), serviceName, plat::kServiceAllAccess));
    bool reached = true;
    if (!stopped) {
        // A service that is still starting refuses the stop; once it runs,
        // the stop is asked for again rather than waited for in vain.
        auto stop = [&] {
            plat::ServiceStatus stopStatus;
            services.ControlService(control.get(), plat::kServiceControlStop, &stopStatus);
        };
        stop();
        reached = WaitForServiceState(query.get(), plat::kServiceStopped, stop);
    }
    if (reached) {
        services.StartServiceA(control.get());
        reached = WaitForServiceState(query.get(), plat::kServiceRunning);
    }
    if (!reached && m_pWnd != nullptr) {
        m_pWnd->MessageBoxA(std::string("The service \"") + serviceName +
                                "\" did not reach the expected state in time.",
                            AppTitle(), plat::kMbOk | plat::kMbIconWarning);
    }
}
