#include "service_state.h"

#include <memory>

namespace e2e {

namespace {

struct ServiceHandleCloser {
    void operator()(SC_HANDLE handle) const noexcept { CloseServiceHandle(handle); }
};
using UniqueServiceHandle = std::unique_ptr<SC_HANDLE__, ServiceHandleCloser>;

}  // namespace

std::optional<DWORD> QueryServiceState(const std::string& name, std::string* error) {
    // Query rights only: the test looks and leaves the service alone.
    const UniqueServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) {
        *error = "OpenSCManager failed, last error " + std::to_string(GetLastError());
        return std::nullopt;
    }
    const UniqueServiceHandle service(
        OpenServiceA(manager.get(), name.c_str(), SERVICE_QUERY_STATUS));
    if (!service) {
        *error = "OpenService(" + name + ") failed, last error " + std::to_string(GetLastError());
        return std::nullopt;
    }
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service.get(), &status)) {
        *error = "QueryServiceStatus(" + name + ") failed, last error " +
                 std::to_string(GetLastError());
        return std::nullopt;
    }
    return status.dwCurrentState;
}

std::string ServiceStateName(DWORD state) {
    switch (state) {
        case SERVICE_STOPPED: return "STOPPED";
        case SERVICE_START_PENDING: return "START_PENDING";
        case SERVICE_STOP_PENDING: return "STOP_PENDING";
        case SERVICE_RUNNING: return "RUNNING";
        case SERVICE_CONTINUE_PENDING: return "CONTINUE_PENDING";
        case SERVICE_PAUSE_PENDING: return "PAUSE_PENDING";
        case SERVICE_PAUSED: return "PAUSED";
        default: return "state " + std::to_string(state);
    }
}

}  // namespace e2e
