// The simulated print spooler: environments with their driver folders,
// drivers, monitors, ports and printers, refusing what Windows refuses.
// Printers are kept in the simulated registry too, where the installer
// writes their ports; a port written there takes effect when the "Spooler"
// service next reaches RUNNING, and at that moment the spooler also writes
// each printer's "PrinterOnLine" flag into the current hardware profile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/sim/sim_context.h"
#include "platform/sim/sim_handles.h"
#include "platform/sim/sim_text.h"
#include "platform/spooler.h"
#include "platform/tcpip_port_data.h"

namespace sim {

class SimFiles;
class SimRegistry;
class SimServices;
class SimSystem;

constexpr char kEnvironmentX86[] = "Windows NT x86";
constexpr char kEnvironmentX64[] = "Windows x64";
constexpr char kLocalPortMonitor[] = "Local Port";
constexpr char kTcpipPortMonitor[] = "Standard TCP/IP Port";
constexpr char kUsbPortMonitor[] = "USB Monitor";
// The spooler's printer keys, the printer's name appended.
constexpr char kPrintersKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
constexpr char kDsPrintersKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\";
constexpr char kPortsKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";

namespace spoolerr {
constexpr std::uint32_t kUnknownPrintProcessor = 1798;
constexpr std::uint32_t kInvalidDatatype = 1804;
constexpr std::uint32_t kInvalidEnvironment = 1805;
constexpr std::uint32_t kInvalidUserBuffer = 1784;
constexpr std::uint32_t kPrinterDeleted = 1905;
constexpr std::uint32_t kPrintMonitorInUse = 3008;
constexpr std::uint32_t kPrinterDriverInUse = 3001;
constexpr std::uint32_t kServerUnavailable = 1722;
}  // namespace spoolerr

// Wine 8's departures from Windows, for tests that want the simulation to
// behave as that test bed does. All off: Windows.
struct SpoolerQuirks {
    bool unknownDriverGives87 = false;        // AddPrinterA: 87, not 1797
    bool duplicatePrinterReplaces = false;    // AddPrinterA: no 1802
    bool purgeUnsupported = false;            // SetPrinterA level 0 purge: 0/124
    bool missingDependentFilesAccepted = false;
    bool portChangesAtOnce = false;           // a Port written to the printer's key shows at once
    bool noOnlineFlag = false;                // "PrinterOnLine" is never written
    bool noDirectoryServiceKeys = false;      // no Software\...\Print\Printers\<name>
    bool noTcpipMonitor = false;              // its ports give 50 to Add/Configure/DeletePortA
};

class SimSpooler final : public plat::ISpooler {
public:
    SimSpooler(SimContext& context, SimRegistry& registry, SimFiles& files, SimSystem& system,
               SimServices& services);

    bool EnumPortsA(std::uint32_t level, std::vector<plat::PortInfo2>* ports) override;
    bool EnumPrintersA(std::uint32_t flags, const std::string& name, std::uint32_t level,
                       std::vector<plat::PrinterInfo2>* printers) override;
    bool AddPortA(plat::WindowHandle owner, const std::string& monitorName) override;
    bool ConfigurePortA(plat::WindowHandle owner, const std::string& portName) override;
    bool DeletePortA(plat::WindowHandle owner, const std::string& portName) override;
    bool GetPrinterDriverDirectoryA(const std::string& environment, std::uint32_t level, char* buf,
                                    std::uint32_t cbBuf, std::uint32_t* needed) override;
    bool AddPrinterDriverExA(std::uint32_t level, const plat::DriverInfo3& info,
                             std::uint32_t copyFlags) override;
    bool DeletePrinterDriverA(const std::string& environment,
                              const std::string& driverName) override;
    bool DeleteMonitorA(const std::string& environment, const std::string& monitorName) override;
    bool AddMonitorA(std::uint32_t level, const plat::MonitorInfo2& info) override;
    plat::Handle OpenPrinterA(const std::string& printerName,
                              const plat::PrinterDefaults& defaults) override;
    bool SetPrinterA(plat::Handle printer, std::uint32_t level, std::uint32_t command) override;
    bool DeletePrinter(plat::Handle printer) override;
    bool ClosePrinter(plat::Handle printer) override;
    plat::Handle AddPrinterA(std::uint32_t level, const plat::PrinterInfo2& info) override;
    // The standard TCP/IP monitor's "AddPort" (on its ",XcvMonitor "
    // handle) and "GetConfigInfo" (on a ",XcvPort " handle of one of its
    // ports); other commands and monitors give status 50.
    bool XcvDataW(plat::Handle xcv, const std::string& dataName,
                  const std::vector<std::uint8_t>& input, std::vector<std::uint8_t>* output,
                  std::uint32_t* needed, std::uint32_t* status) override;

    // Test knobs (no hook, no faults).
    // A port of any monitor and description ("USB001", "Virtual printer
    // port for USB"). Local ports live in the registry's Ports key, as
    // Windows keeps them.
    void AddPort(const std::string& name, const std::string& description,
                 const std::string& monitor = "");
    // A port of the standard TCP/IP monitor with its settings.
    void AddTcpipPort(const plat::TcpipPortData& data);
    // The settings of a TCP/IP port; nullopt for another port.
    std::optional<plat::TcpipPortData> TcpipPort(const std::string& name) const;
    void RemovePort(const std::string& name);
    // On: AddPrinterA refuses a port that does not exist (1796).
    void SetStrictPorts(bool on);
    // The add-port window of a port monitor: the name of the port the user
    // created, or nullopt when the window was cancelled (0/1223). Without a
    // handler every add-port window is cancelled. Called without locks.
    using AddPortHandler = std::function<std::optional<std::string>(const std::string& monitor)>;
    void SetAddPortHandler(AddPortHandler handler);
    // The configure window of a port: 0 (OK) or the last error to fail
    // with (1223 cancelled, 57, ...). Without a handler: OK.
    using ConfigurePortHandler = std::function<std::uint32_t(const std::string& port)>;
    void SetConfigurePortHandler(ConfigurePortHandler handler);
    // The environment in which AddPrinterA looks for the driver; empty: the
    // system's own ("Windows x64" on 64-bit Windows).
    void SetAddPrinterEnvironment(const std::string& environment);
    void SetQuirks(const SpoolerQuirks& quirks);
    // On: every spooler call fails with 1722 unless "Spooler" is RUNNING.
    void SetRequireRunningService(bool on);
    // A printer device answers on `port`: printers on it are on line after
    // the next start of the spooler.
    void SetDeviceOnPort(const std::string& port, bool present);
    // Registers a driver of placeholder files under `name`, in `environment`
    // or (empty) in both, without the checks of AddPrinterDriverExA.
    void AddDriverForTests(const std::string& name, const std::string& environment = "");
    // What the spooler does when its service reaches RUNNING.
    void OnServiceStarted();

    // Views.
    std::optional<plat::DriverInfo3> Driver(const std::string& environment,
                                            const std::string& name) const;
    std::optional<plat::MonitorInfo2> Monitor(const std::string& name) const;
    std::optional<plat::PrinterInfo2> Printer(const std::string& name) const;
    std::vector<std::string> PrinterNames() const;
    std::vector<plat::PortInfo2> Ports() const;
    std::size_t OpenPrinterCount() const;
    // The records last handed to AddPrinterDriverExA and AddPrinterA, as
    // passed (whether or not the call succeeded).
    std::optional<plat::DriverInfo3> LastDriverRecord() const;
    std::optional<plat::PrinterInfo2> LastPrinterRecord() const;
    // "C:\windows\system32\spool\drivers\<w32x86|x64>", or "" for an unknown environment.
    static std::string DriverDirectory(const std::string& environment);

private:
    struct PrinterRecord {
        std::uint64_t id = 0;
        plat::PrinterInfo2 info;
    };
    struct MonitorRecord {
        plat::MonitorInfo2 info;
        bool portMonitor = false;  // one of the system's port monitors
    };
    struct PrinterHandle {
        std::uint64_t printerId = 0;  // 0: the print server, or a monitor's or port's interface
        std::string xcvMonitor;       // ",XcvMonitor NAME": the monitor
        std::string xcvPort;          // ",XcvPort NAME": the port
    };
    struct PortRecord {
        plat::PortInfo2 info;
        std::optional<plat::TcpipPortData> tcpip;  // a standard TCP/IP port's settings
    };
    // The ",XcvMonitor " / ",XcvPort " interface `name` opens; false (last
    // error set) when the monitor or port is not there.
    bool OpenXcv(const std::string& name, PrinterHandle* handle);

    // Runs the hook and faults, then checks the service; false with the last
    // error set when the call must fail.
    bool Enter(const char* opName, std::string_view detail = {});
    bool Fail(std::uint32_t error);
    // "" becomes the calling program's environment; nullopt for an unknown one.
    std::optional<std::string> Environment(const std::string& environment) const;
    std::string NativeEnvironment() const;
    std::vector<plat::PortInfo2> AllPorts() const;
    std::optional<plat::PortInfo2> FindPort(const std::string& name) const;
    PrinterRecord* FindPrinter(const std::string& name);
    PrinterRecord* FindPrinter(std::uint64_t id);
    void WritePrinterKeys(const plat::PrinterInfo2& info);
    void RemovePrinterKeys(const std::string& name);
    // The file a driver record names, looked up as the spooler does.
    std::optional<std::string> DriverSource(const std::string& named, const std::string& driverDir,
                                            const std::string& versionDir) const;
    bool MonitorInUse(const std::string& name) const;

    SimContext& m_context;
    SimRegistry& m_registry;
    SimFiles& m_files;
    SimSystem& m_system;
    SimServices& m_services;
    SpoolerQuirks m_quirks;
    bool m_strictPorts = false;
    bool m_requireRunning = false;
    std::string m_addPrinterEnvironment;
    AddPortHandler m_addPortHandler;
    ConfigurePortHandler m_configurePortHandler;
    std::vector<PortRecord> m_ports;  // ports of monitors other than the local one
    std::set<std::string, ILess> m_devicePorts;
    std::map<std::pair<std::string, std::string>, plat::DriverInfo3> m_drivers;  // lower-case env, name
    std::vector<MonitorRecord> m_monitors;
    std::vector<PrinterRecord> m_printers;
    std::optional<plat::DriverInfo3> m_lastDriverRecord;
    std::optional<plat::PrinterInfo2> m_lastPrinterRecord;
    std::uint64_t m_nextPrinterId = 1;
    HandleTable<PrinterHandle> m_handles{kPrinterHandleBase};
};

}  // namespace sim
