// The simulated spooler's ports and printers; drivers and monitors are in
// sim_spooler_drivers.cpp.
#include "platform/sim/sim_spooler.h"

#include <algorithm>

#include "platform/sim/sim_files.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_services.h"
#include "platform/sim/sim_system.h"

namespace sim {

namespace {

constexpr std::uint32_t kPortTypeReadWrite = 0x3;
constexpr std::uint32_t kPrinterAttributeLocal = 0x40;

std::vector<std::string> SplitPorts(const std::string& ports) { return SplitNonEmpty(ports, ","); }

bool KnownDatatype(const std::string& datatype) {
    return datatype.empty() || IStartsWith(datatype, "RAW") || IStartsWith(datatype, "NT EMF") ||
           IEquals(datatype, "TEXT");
}

}  // namespace

SimSpooler::SimSpooler(SimContext& context, SimRegistry& registry, SimFiles& files,
                       SimSystem& system, SimServices& services)
    : m_context(context),
      m_registry(registry),
      m_files(files),
      m_system(system),
      m_services(services) {
    for (const char* monitor : {kLocalPortMonitor, kTcpipPortMonitor, kUsbPortMonitor}) {
        m_monitors.push_back(MonitorRecord{plat::MonitorInfo2{monitor, "", ""}, true});
    }
    for (const char* environment : {kEnvironmentX86, kEnvironmentX64}) {
        m_files.MakeDirectories(DriverDirectory(environment) + "\\3");
    }
}

bool SimSpooler::Fail(std::uint32_t error) {
    SetThreadLastError(error);
    return false;
}

bool SimSpooler::Enter(const char* opName, std::string_view detail) {
    if (auto fault = m_context.faults.Enter(opName, detail)) return Fail(*fault);
    bool requireRunning = false;
    {
        SimLock lock(m_context.mutex);
        requireRunning = m_requireRunning;
    }
    if (requireRunning && m_services.State("Spooler") != plat::kServiceRunning) {
        return Fail(spoolerr::kServerUnavailable);
    }
    return true;
}

std::string SimSpooler::NativeEnvironment() const {
    return m_system.Wow64() ? kEnvironmentX64 : kEnvironmentX86;
}

std::optional<std::string> SimSpooler::Environment(const std::string& environment) const {
    // The simulated program is the 32-bit installer.
    if (environment.empty()) return std::string(kEnvironmentX86);
    if (IEquals(environment, kEnvironmentX86)) return std::string(kEnvironmentX86);
    if (IEquals(environment, kEnvironmentX64)) return std::string(kEnvironmentX64);
    return std::nullopt;
}

std::vector<plat::PortInfo2> SimSpooler::AllPorts() const {
    std::vector<plat::PortInfo2> ports;
    // The local monitor's ports are the values of the Ports key.
    for (const std::string& name : m_registry.ValueNames(plat::RootKey::LocalMachine, kPortsKey)) {
        ports.push_back(plat::PortInfo2{name, kLocalPortMonitor, kLocalPortMonitor, kPortTypeReadWrite});
    }
    for (const PortRecord& port : m_ports) ports.push_back(port.info);
    return ports;
}

std::optional<plat::PortInfo2> SimSpooler::FindPort(const std::string& name) const {
    for (const plat::PortInfo2& port : AllPorts()) {
        if (IEquals(port.portName, name)) return port;
    }
    return std::nullopt;
}

bool SimSpooler::EnumPortsA(std::uint32_t level, std::vector<plat::PortInfo2>* ports) {
    if (ports) ports->clear();
    if (!Enter("EnumPortsA")) return false;
    SimLock lock(m_context.mutex);
    if (level != 1 && level != 2) return Fail(plat::err::kInvalidLevel);
    if (!ports) return Fail(plat::err::kInvalidParameter);
    *ports = AllPorts();
    return true;
}

bool SimSpooler::AddPortA(plat::WindowHandle, const std::string& monitorName) {
    if (!Enter("AddPortA")) return false;
    AddPortHandler handler;
    {
        SimLock lock(m_context.mutex);
        if (m_quirks.noTcpipMonitor && IEquals(monitorName, kTcpipPortMonitor)) {
            return Fail(plat::err::kNotSupported);
        }
        auto monitor = std::find_if(m_monitors.begin(), m_monitors.end(), [&](const MonitorRecord& m) {
            return IEquals(m.info.name, monitorName);
        });
        if (monitor == m_monitors.end()) return Fail(plat::err::kInvalidParameter);
        // Language monitors and the USB monitor have no add-port window.
        if (!monitor->portMonitor || IEquals(monitorName, kUsbPortMonitor)) {
            return Fail(plat::err::kNotSupported);
        }
        handler = m_addPortHandler;
    }
    // The monitor's window runs without the spooler's lock, as a modal window would.
    std::optional<std::string> created = handler ? handler(monitorName) : std::nullopt;
    if (!created || created->empty()) return Fail(plat::err::kCancelled);
    SimLock lock(m_context.mutex);
    if (FindPort(*created)) return Fail(plat::err::kAlreadyExists);
    AddPort(*created, monitorName, monitorName);
    return true;
}

bool SimSpooler::ConfigurePortA(plat::WindowHandle, const std::string& portName) {
    if (!Enter("ConfigurePortA")) return false;
    ConfigurePortHandler handler;
    {
        SimLock lock(m_context.mutex);
        std::optional<plat::PortInfo2> port = FindPort(portName);
        // A port no monitor claims cannot be configured.
        if (!port) return Fail(plat::err::kNotSupported);
        if (IEquals(port->monitorName, kUsbPortMonitor)) return Fail(plat::err::kNotSupported);
        if (m_quirks.noTcpipMonitor && IEquals(port->monitorName, kTcpipPortMonitor)) {
            return Fail(plat::err::kNotSupported);
        }
        handler = m_configurePortHandler;
    }
    const std::uint32_t error = handler ? handler(portName) : 0;
    if (error != 0) return Fail(error);
    return true;
}

bool SimSpooler::DeletePortA(plat::WindowHandle, const std::string& portName) {
    if (!Enter("DeletePortA")) return false;
    SimLock lock(m_context.mutex);
    std::optional<plat::PortInfo2> port = FindPort(portName);
    if (!port) return Fail(plat::err::kNotSupported);
    if (m_quirks.noTcpipMonitor && IEquals(port->monitorName, kTcpipPortMonitor)) {
        return Fail(plat::err::kNotSupported);
    }
    RemovePort(portName);
    return true;
}

SimSpooler::PrinterRecord* SimSpooler::FindPrinter(const std::string& name) {
    for (PrinterRecord& printer : m_printers) {
        if (IEquals(printer.info.printerName, name)) return &printer;
    }
    return nullptr;
}

SimSpooler::PrinterRecord* SimSpooler::FindPrinter(std::uint64_t id) {
    for (PrinterRecord& printer : m_printers) {
        if (printer.id == id) return &printer;
    }
    return nullptr;
}

void SimSpooler::WritePrinterKeys(const plat::PrinterInfo2& info) {
    using plat::RootKey;
    const std::string key = kPrintersKey + info.printerName;
    m_registry.SetString(RootKey::LocalMachine, key, "Name", info.printerName);
    m_registry.SetString(RootKey::LocalMachine, key, "Port", info.portName);
    m_registry.SetString(RootKey::LocalMachine, key, "Printer Driver", info.driverName);
    m_registry.SetString(RootKey::LocalMachine, key, "Print Processor", info.printProcessor);
    m_registry.SetString(RootKey::LocalMachine, key, "Datatype", info.datatype);
    m_registry.SetString(RootKey::LocalMachine, key, "Share Name", info.shareName);
    m_registry.SetString(RootKey::LocalMachine, key, "Description", info.comment);
    m_registry.SetString(RootKey::LocalMachine, key, "Location", info.location);
    m_registry.SetDword(RootKey::LocalMachine, key, "Attributes", info.attributes);
    m_registry.SetDword(RootKey::LocalMachine, key, "Priority", info.priority);
    if (m_quirks.noDirectoryServiceKeys) return;
    const std::string ds = kDsPrintersKey + info.printerName + "\\DsSpooler";
    m_registry.SetString(RootKey::LocalMachine, ds, "printerName", info.printerName);
    m_registry.SetString(RootKey::LocalMachine, ds, "portName", info.portName);
    m_registry.SetString(RootKey::LocalMachine, ds, "driverName", info.driverName);
}

void SimSpooler::RemovePrinterKeys(const std::string& name) {
    m_registry.DeleteTree(plat::RootKey::LocalMachine, kPrintersKey + name);
    m_registry.DeleteTree(plat::RootKey::LocalMachine, kDsPrintersKey + name);
}

plat::Handle SimSpooler::AddPrinterA(std::uint32_t level, const plat::PrinterInfo2& info) {
    {
        SimLock lock(m_context.mutex);
        m_lastPrinterRecord = info;
    }
    if (!Enter("AddPrinterA", info.printerName + " " + info.portName)) return nullptr;
    SimLock lock(m_context.mutex);
    auto fail = [this](std::uint32_t error) {
        Fail(error);
        return nullptr;
    };
    if (level != 2) return fail(plat::err::kInvalidLevel);
    if (info.printerName.empty() || info.printerName.find_first_of(",\\") != std::string::npos) {
        return fail(plat::err::kInvalidPrinterName);
    }
    if (info.portName.empty() || info.driverName.empty() || info.printProcessor.empty()) {
        return fail(plat::err::kInvalidParameter);
    }
    const std::string environment =
        m_addPrinterEnvironment.empty() ? NativeEnvironment() : m_addPrinterEnvironment;
    if (!Driver(environment, info.driverName)) {
        return fail(m_quirks.unknownDriverGives87 ? plat::err::kInvalidParameter
                                                  : plat::err::kUnknownPrinterDriver);
    }
    if (!IEquals(info.printProcessor, "WinPrint")) return fail(spoolerr::kUnknownPrintProcessor);
    if (!KnownDatatype(info.datatype)) return fail(spoolerr::kInvalidDatatype);
    if (m_strictPorts) {
        for (const std::string& port : SplitPorts(info.portName)) {
            if (!FindPort(port)) return fail(plat::err::kUnknownPort);
        }
    }
    if (PrinterRecord* existing = FindPrinter(info.printerName)) {
        if (!m_quirks.duplicatePrinterReplaces) return fail(plat::err::kPrinterAlreadyExists);
        RemovePrinterKeys(existing->info.printerName);
        m_printers.erase(m_printers.begin() + (existing - m_printers.data()));
    }
    PrinterRecord record{m_nextPrinterId++, info};
    record.info.attributes |= kPrinterAttributeLocal;
    WritePrinterKeys(record.info);
    m_printers.push_back(record);
    return m_handles.Add(PrinterHandle{record.id, "", ""});
}

plat::Handle SimSpooler::OpenPrinterA(const std::string& printerName,
                                      const plat::PrinterDefaults& defaults) {
    const std::string detail =
        printerName + " " + defaults.datatype + " " + Hex(defaults.desiredAccess);
    if (!Enter("OpenPrinterA", detail)) return nullptr;
    SimLock lock(m_context.mutex);
    if (!KnownDatatype(defaults.datatype)) {
        Fail(spoolerr::kInvalidDatatype);
        return nullptr;
    }
    if (printerName.empty()) {
        // The print server; administering it, as installing drivers does,
        // takes an administrator.
        if ((defaults.desiredAccess & plat::kServerAccessAdminister) != 0 && !m_system.Administrator()) {
            Fail(plat::err::kAccessDenied);
            return nullptr;
        }
        return m_handles.Add(PrinterHandle{0, "", ""});
    }
    if (printerName[0] == ',') {
        PrinterHandle xcv;
        if (!OpenXcv(printerName, &xcv)) return nullptr;
        return m_handles.Add(std::move(xcv));
    }
    PrinterRecord* printer = FindPrinter(printerName);
    if (!printer) {
        Fail(plat::err::kInvalidPrinterName);
        return nullptr;
    }
    return m_handles.Add(PrinterHandle{printer->id, "", ""});
}

bool SimSpooler::SetPrinterA(plat::Handle printer, std::uint32_t level, std::uint32_t command) {
    if (!Enter("SetPrinterA", std::to_string(level) + " " + std::to_string(command))) return false;
    SimLock lock(m_context.mutex);
    PrinterHandle* handle = m_handles.Find(printer);
    if (!handle) return Fail(plat::err::kInvalidHandle);
    if (handle->printerId == 0) return Fail(plat::err::kInvalidParameter);
    if (!FindPrinter(handle->printerId)) return Fail(spoolerr::kPrinterDeleted);
    // Level 0 carries a command only; other levels need data, which is not passed.
    if (level != 0 || command == 0 || command > 4) return Fail(plat::err::kInvalidParameter);
    if (command == plat::kPrinterControlPurge && m_quirks.purgeUnsupported) {
        return Fail(plat::err::kInvalidLevel);
    }
    return true;
}

bool SimSpooler::DeletePrinter(plat::Handle printer) {
    if (!Enter("DeletePrinter")) return false;
    SimLock lock(m_context.mutex);
    PrinterHandle* handle = m_handles.Find(printer);
    if (!handle) return Fail(plat::err::kInvalidHandle);
    if (handle->printerId == 0) return Fail(plat::err::kInvalidParameter);
    PrinterRecord* record = FindPrinter(handle->printerId);
    if (!record) return Fail(spoolerr::kPrinterDeleted);
    RemovePrinterKeys(record->info.printerName);
    m_printers.erase(m_printers.begin() + (record - m_printers.data()));
    return true;
}

bool SimSpooler::ClosePrinter(plat::Handle printer) {
    if (!Enter("ClosePrinter")) return false;
    SimLock lock(m_context.mutex);
    if (!m_handles.Remove(printer)) return Fail(plat::err::kInvalidHandle);
    return true;
}

bool SimSpooler::EnumPrintersA(std::uint32_t flags, const std::string&, std::uint32_t level,
                               std::vector<plat::PrinterInfo2>* printers) {
    if (printers) printers->clear();
    if (!Enter("EnumPrintersA")) return false;
    SimLock lock(m_context.mutex);
    if (level != 1 && level != 2 && level != 4 && level != 5) return Fail(plat::err::kInvalidLevel);
    if (!printers) return Fail(plat::err::kInvalidParameter);
    if (!(flags & (plat::kPrinterEnumLocal | plat::kPrinterEnumConnections))) return true;
    for (const PrinterRecord& record : m_printers) {
        plat::PrinterInfo2 info = record.info;
        if (m_quirks.portChangesAtOnce) {
            std::optional<std::string> port = m_registry.GetString(
                plat::RootKey::LocalMachine, kPrintersKey + info.printerName, "Port");
            if (port) info.portName = *port;
        }
        printers->push_back(info);
    }
    return true;
}

void SimSpooler::OnServiceStarted() {
    SimLock lock(m_context.mutex);
    for (PrinterRecord& record : m_printers) {
        const std::string key = kPrintersKey + record.info.printerName;
        std::optional<std::string> port =
            m_registry.GetString(plat::RootKey::LocalMachine, key, "Port");
        if (port) record.info.portName = *port;
        if (m_quirks.noOnlineFlag) continue;
        bool online = false;
        for (const std::string& name : SplitPorts(record.info.portName)) {
            online = online || m_devicePorts.count(name) != 0;
        }
        m_registry.SetDword(plat::RootKey::CurrentConfig,
                            std::string("System\\CurrentControlSet\\Control\\Print\\Printers\\") +
                                record.info.printerName,
                            "PrinterOnLine", online ? 1 : 0);
    }
}

void SimSpooler::AddPort(const std::string& name, const std::string& description,
                         const std::string& monitor) {
    SimLock lock(m_context.mutex);
    std::string owner = monitor;
    if (owner.empty()) {
        if (IEquals(description, kLocalPortMonitor)) owner = kLocalPortMonitor;
        else if (IEquals(description, kTcpipPortMonitor)) owner = kTcpipPortMonitor;
        else if (IStartsWith(name, "USB")) owner = kUsbPortMonitor;
        else owner = description;
    }
    RemovePort(name);
    if (IEquals(owner, kLocalPortMonitor)) {
        m_registry.SetString(plat::RootKey::LocalMachine, kPortsKey, name, "");
        return;
    }
    m_ports.push_back(PortRecord{plat::PortInfo2{name, owner, description, kPortTypeReadWrite}, std::nullopt});
}

void SimSpooler::RemovePort(const std::string& name) {
    SimLock lock(m_context.mutex);
    m_ports.erase(std::remove_if(m_ports.begin(), m_ports.end(),
                                 [&](const PortRecord& port) { return IEquals(port.info.portName, name); }),
                  m_ports.end());
    m_registry.DeleteValue(plat::RootKey::LocalMachine, kPortsKey, name);
}

void SimSpooler::SetStrictPorts(bool on) {
    SimLock lock(m_context.mutex);
    m_strictPorts = on;
}

void SimSpooler::SetAddPortHandler(AddPortHandler handler) {
    SimLock lock(m_context.mutex);
    m_addPortHandler = std::move(handler);
}

void SimSpooler::SetConfigurePortHandler(ConfigurePortHandler handler) {
    SimLock lock(m_context.mutex);
    m_configurePortHandler = std::move(handler);
}

void SimSpooler::SetAddPrinterEnvironment(const std::string& environment) {
    SimLock lock(m_context.mutex);
    m_addPrinterEnvironment = environment;
}

void SimSpooler::SetQuirks(const SpoolerQuirks& quirks) {
    SimLock lock(m_context.mutex);
    m_quirks = quirks;
}

void SimSpooler::SetRequireRunningService(bool on) {
    SimLock lock(m_context.mutex);
    m_requireRunning = on;
}

void SimSpooler::SetDeviceOnPort(const std::string& port, bool present) {
    SimLock lock(m_context.mutex);
    if (present) {
        m_devicePorts.insert(port);
    } else {
        m_devicePorts.erase(port);
    }
}

std::optional<plat::PrinterInfo2> SimSpooler::Printer(const std::string& name) const {
    SimLock lock(m_context.mutex);
    for (const PrinterRecord& printer : m_printers) {
        if (IEquals(printer.info.printerName, name)) return printer.info;
    }
    return std::nullopt;
}

std::vector<std::string> SimSpooler::PrinterNames() const {
    SimLock lock(m_context.mutex);
    std::vector<std::string> names;
    for (const PrinterRecord& printer : m_printers) names.push_back(printer.info.printerName);
    return names;
}

std::vector<plat::PortInfo2> SimSpooler::Ports() const {
    SimLock lock(m_context.mutex);
    return AllPorts();
}

std::size_t SimSpooler::OpenPrinterCount() const {
    SimLock lock(m_context.mutex);
    return m_handles.Size();
}

std::optional<plat::DriverInfo3> SimSpooler::LastDriverRecord() const {
    SimLock lock(m_context.mutex);
    return m_lastDriverRecord;
}

std::optional<plat::PrinterInfo2> SimSpooler::LastPrinterRecord() const {
    SimLock lock(m_context.mutex);
    return m_lastPrinterRecord;
}

}  // namespace sim
