#include "spooler_cycles.h"

#include <windows.h>

#include <chrono>

namespace bench {
namespace {

constexpr DWORD kStateWaitMs = 30000;

// Polls `service` every millisecond until it reports `wanted`; while it
// still runs, the stop is asked for again, as a service that was starting
// refuses the first one.
bool WaitForState(SC_HANDLE service, SC_HANDLE control, DWORD wanted) {
    const double start = NowMs();
    for (;;) {
        SERVICE_STATUS status{};
        if (QueryServiceStatus(service, &status)) {
            if (status.dwCurrentState == wanted) return true;
            if (wanted == SERVICE_STOPPED && status.dwCurrentState == SERVICE_RUNNING) {
                SERVICE_STATUS ignored{};
                ControlService(control, SERVICE_CONTROL_STOP, &ignored);
            }
        }
        if (NowMs() - start > kStateWaitMs) return false;
        Sleep(1);
    }
}

bool OneRestart() {
    SC_HANDLE scm = OpenSCManagerA(nullptr, "ServicesActive", SC_MANAGER_ALL_ACCESS);
    if (scm == nullptr) return false;
    SC_HANDLE query = OpenServiceA(scm, "Spooler", SERVICE_ALL_ACCESS);
    SC_HANDLE control = query ? OpenServiceA(scm, "Spooler", SERVICE_ALL_ACCESS) : nullptr;
    bool ok = control != nullptr;
    SERVICE_STATUS status{};
    if (ok && QueryServiceStatus(query, &status) && status.dwCurrentState != SERVICE_STOPPED) {
        SERVICE_STATUS ignored{};
        ControlService(control, SERVICE_CONTROL_STOP, &ignored);
        ok = WaitForState(query, control, SERVICE_STOPPED);
    }
    if (ok) {
        StartServiceA(control, 0, nullptr);
        ok = WaitForState(query, control, SERVICE_RUNNING);
    }
    if (control) CloseServiceHandle(control);
    if (query) CloseServiceHandle(query);
    CloseServiceHandle(scm);
    return ok;
}

}  // namespace

double NowMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double BareSpoolerRestarts(int cycles) {
    const double start = NowMs();
    for (int i = 0; i < cycles; ++i) {
        if (!OneRestart()) return -1;
    }
    return NowMs() - start;
}

}  // namespace bench
