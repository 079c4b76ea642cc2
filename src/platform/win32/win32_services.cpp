#include "platform/win32/win32_services.h"

#include "platform/win32/win32_windows.h"

namespace plat::win32 {
namespace {

SC_HANDLE ToScHandle(Handle h) { return static_cast<SC_HANDLE>(h); }

void CopyStatus(const SERVICE_STATUS& from, ServiceStatus* to) {
    if (to == nullptr) return;
    to->serviceType = from.dwServiceType;
    to->currentState = from.dwCurrentState;
    to->controlsAccepted = from.dwControlsAccepted;
    to->win32ExitCode = from.dwWin32ExitCode;
    to->serviceSpecificExitCode = from.dwServiceSpecificExitCode;
    to->checkPoint = from.dwCheckPoint;
    to->waitHint = from.dwWaitHint;
}

}  // namespace

Handle Win32Services::OpenSCManagerA(const char* machine, const char* database,
                                     std::uint32_t access) {
    return ::OpenSCManagerA(machine, database, access);
}

Handle Win32Services::OpenServiceA(Handle scm, const char* serviceName, std::uint32_t access) {
    return ::OpenServiceA(ToScHandle(scm), serviceName, access);
}

bool Win32Services::QueryServiceStatus(Handle service, ServiceStatus* status) {
    SERVICE_STATUS ss{};
    const BOOL ok = ::QueryServiceStatus(ToScHandle(service), &ss);
    if (ok) CopyStatus(ss, status);
    return ok != FALSE;
}

bool Win32Services::ControlService(Handle service, std::uint32_t control, ServiceStatus* status) {
    SERVICE_STATUS ss{};
    const BOOL ok = ::ControlService(ToScHandle(service), control, &ss);
    // Windows fills the record also for some failures (e.g. a control the
    // service cannot accept now), so it is handed back either way.
    CopyStatus(ss, status);
    return ok != FALSE;
}

bool Win32Services::StartServiceA(Handle service) {
    return ::StartServiceA(ToScHandle(service), 0, nullptr) != FALSE;
}

bool Win32Services::CloseServiceHandle(Handle handle) {
    return ::CloseServiceHandle(ToScHandle(handle)) != FALSE;
}

}  // namespace plat::win32
