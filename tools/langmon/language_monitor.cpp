// A minimal print language monitor for the sample driver package. The label
// driver names a language monitor that the installer registers with the
// spooler before the driver; the spooler only accepts a DLL that exports
// InitializePrintMonitor2 and hands back a monitor function table. This one
// hands back a table without functions: it is enough to be registered, and it
// is never meant to carry a print job.
#include <windows.h>

#include <cstddef>

namespace {

using MonitorFn = void (*)();

// The spooler's monitor table as it reads it: the table's size in bytes,
// then the monitor's entry points in the order the spooler expects them.
struct MonitorTable {
    DWORD cbSize;
    MonitorFn enumPorts;
    MonitorFn openPort;
    MonitorFn openPortEx;
    MonitorFn startDocPort;
    MonitorFn writePort;
    MonitorFn readPort;
    MonitorFn endDocPort;
    MonitorFn closePort;
    MonitorFn addPort;
    MonitorFn addPortEx;
    MonitorFn configurePort;
    MonitorFn deletePort;
    MonitorFn getPrinterDataFromPort;
    MonitorFn setPortTimeOuts;
    MonitorFn xcvOpenPort;
    MonitorFn xcvDataPort;
    MonitorFn xcvClosePort;
    MonitorFn shutdown;
    MonitorFn sendRecvBidiDataFromPort;
};

// Nineteen entry points after the size field, each a pointer.
static_assert(offsetof(MonitorTable, sendRecvBidiDataFromPort) ==
              offsetof(MonitorTable, enumPorts) + 18 * sizeof(void*));

const MonitorTable g_monitorTable = {sizeof(MonitorTable), nullptr, nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, nullptr, nullptr};

}  // namespace

// Called by the spooler when it loads the monitor. `init` describes the
// spooler's side and is not needed here; `monitorHandle` receives a handle the
// spooler passes back later, and the table's own address serves. Returns the
// table, which lives as long as the DLL. Exported under its plain name by
// the .def file, also in the 32-bit build where stdcall would decorate it.
extern "C" const MonitorTable* WINAPI
InitializePrintMonitor2(void* init, HANDLE* monitorHandle) {
    (void)init;
    if (monitorHandle != nullptr) {
        *monitorHandle = const_cast<MonitorTable*>(&g_monitorTable);
    }
    return &g_monitorTable;
}
