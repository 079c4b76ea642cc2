// The simulated spooler's driver folders, drivers and monitors.
#include <algorithm>
#include <cstring>

#include "platform/sim/sim_files.h"
#include "platform/sim/sim_paths.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_spooler.h"
#include "platform/sim/sim_system.h"

namespace sim {

namespace {

std::string BaseName(const std::string& path) {
    const std::string::size_type slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool HasDrive(const std::string& path) { return path.size() >= 3 && path[1] == ':' && IsSeparator(path[2]); }

std::pair<std::string, std::string> DriverKey(const std::string& environment, const std::string& name) {
    return {ToLower(environment), ToLower(name)};
}

std::vector<std::uint8_t> MultiString(const std::vector<std::string>& items) {
    std::vector<std::uint8_t> bytes;
    for (const std::string& item : items) {
        bytes.insert(bytes.end(), item.begin(), item.end());
        bytes.push_back(0);
    }
    bytes.push_back(0);
    return bytes;
}

}  // namespace

std::string SimSpooler::DriverDirectory(const std::string& environment) {
    const std::string base = "C:\\windows\\system32\\spool\\drivers\\";
    if (IEquals(environment, kEnvironmentX86)) return base + "w32x86";
    if (IEquals(environment, kEnvironmentX64)) return base + "x64";
    return "";
}

bool SimSpooler::GetPrinterDriverDirectoryA(const std::string& environment, std::uint32_t level,
                                            char* buf, std::uint32_t cbBuf, std::uint32_t* needed) {
    const std::string detail =
        environment + " " + std::to_string(level) + " " + std::to_string(cbBuf);
    if (!Enter("GetPrinterDriverDirectoryA", detail)) return false;
    SimLock lock(m_context.mutex);
    if (level != 1) return Fail(plat::err::kInvalidLevel);
    std::optional<std::string> env = Environment(environment);
    if (!env) return Fail(spoolerr::kInvalidEnvironment);
    const std::string dir = DriverDirectory(*env);
    const auto size = static_cast<std::uint32_t>(dir.size() + 1);
    if (needed) *needed = size;
    if (cbBuf < size) return Fail(plat::err::kInsufficientBuffer);
    if (!buf) return Fail(spoolerr::kInvalidUserBuffer);
    std::memcpy(buf, dir.c_str(), size);
    return true;
}

std::optional<std::string> SimSpooler::DriverSource(const std::string& named,
                                                    const std::string& driverDir,
                                                    const std::string& versionDir) const {
    if (HasDrive(named) && m_files.IsFile(named)) return named;
    // By name: staged in the driver folder, or a copy the spooler already keeps.
    const std::string name = BaseName(named);
    if (name.empty()) return std::nullopt;
    for (const std::string& dir : {driverDir, versionDir}) {
        if (m_files.IsFile(dir + "\\" + name)) return dir + "\\" + name;
    }
    return std::nullopt;
}

bool SimSpooler::AddPrinterDriverExA(std::uint32_t level, const plat::DriverInfo3& info,
                                     std::uint32_t flags) {
    {
        SimLock lock(m_context.mutex);
        m_lastDriverRecord = info;
    }
    const std::string detail = std::to_string(level) + " " + info.name + " " + info.environment +
                               " " + std::to_string(info.version) + " " + std::to_string(flags);
    if (!Enter("AddPrinterDriverExA", detail)) return false;
    SimLock lock(m_context.mutex);
    if (level != 2 && level != 3) return Fail(plat::err::kInvalidLevel);
    std::optional<std::string> env = Environment(info.environment);
    if (!env) return Fail(spoolerr::kInvalidEnvironment);
    if (info.name.empty() || info.driverPath.empty() || info.dataFile.empty() ||
        info.configFile.empty() || (info.version != 2 && info.version != 3)) {
        return Fail(plat::err::kInvalidParameter);
    }
    if (level == 3 && !info.monitorName.empty() && !Monitor(info.monitorName)) {
        return Fail(plat::err::kUnknownPrintMonitor);
    }
    const std::string driverDir = DriverDirectory(*env);
    const std::string versionDir = driverDir + "\\" + std::to_string(info.version);

    // Every file is found before anything is copied, so a refused driver leaves nothing behind.
    struct File {
        std::string source;
        std::string* field;
    };
    plat::DriverInfo3 registered = info;
    registered.environment = *env;
    std::vector<File> files;
    for (std::string* field : {&registered.driverPath, &registered.dataFile, &registered.configFile}) {
        std::optional<std::string> source = DriverSource(*field, driverDir, versionDir);
        if (!source) return Fail(plat::err::kFileNotFound);
        files.push_back(File{*source, field});
    }
    std::vector<std::string*> optional;
    if (level == 3) {
        if (!registered.helpFile.empty()) optional.push_back(&registered.helpFile);
        for (std::string& dependent : registered.dependentFiles) optional.push_back(&dependent);
    } else {
        registered.helpFile.clear();
        registered.dependentFiles.clear();
        registered.monitorName.clear();
        registered.defaultDataType.clear();
    }
    for (std::string* field : optional) {
        std::optional<std::string> source = DriverSource(*field, driverDir, versionDir);
        if (source) {
            files.push_back(File{*source, field});
        } else if (!m_quirks.missingDependentFilesAccepted) {
            return Fail(plat::err::kFileNotFound);
        }
    }
    m_files.MakeDirectories(versionDir);
    for (const File& file : files) {
        const std::string target = versionDir + "\\" + BaseName(file.source);
        if (!IEquals(file.source, target) && !m_files.CopyFile(file.source, target)) {
            return Fail(plat::err::kAccessDenied);
        }
        *file.field = target;
    }
    m_drivers[DriverKey(*env, info.name)] = registered;

    using plat::RootKey;
    const std::string key = "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\" + *env +
                            "\\Drivers\\Version-" + std::to_string(info.version) + "\\" + info.name;
    m_registry.DeleteTree(RootKey::LocalMachine, key);
    m_registry.SetString(RootKey::LocalMachine, key, "Driver", BaseName(registered.driverPath));
    m_registry.SetString(RootKey::LocalMachine, key, "Data File", BaseName(registered.dataFile));
    m_registry.SetString(RootKey::LocalMachine, key, "Configuration File",
                         BaseName(registered.configFile));
    m_registry.SetString(RootKey::LocalMachine, key, "Help File", BaseName(registered.helpFile));
    std::vector<std::string> dependents;
    for (const std::string& dependent : registered.dependentFiles) dependents.push_back(BaseName(dependent));
    m_registry.SetValue(RootKey::LocalMachine, key, "Dependent Files", plat::kRegMultiSz,
                        MultiString(dependents));
    m_registry.SetString(RootKey::LocalMachine, key, "Monitor", registered.monitorName);
    m_registry.SetString(RootKey::LocalMachine, key, "Datatype", registered.defaultDataType);
    m_registry.SetDword(RootKey::LocalMachine, key, "Version", info.version);
    return true;
}

bool SimSpooler::AddMonitorA(std::uint32_t level, const plat::MonitorInfo2& info) {
    if (!Enter("AddMonitorA", std::to_string(level) + " " + info.name)) return false;
    SimLock lock(m_context.mutex);
    if (level != 2) return Fail(plat::err::kInvalidLevel);
    if (info.name.empty() || info.dllName.empty()) return Fail(plat::err::kInvalidParameter);
    if (!Environment(info.environment)) return Fail(spoolerr::kInvalidEnvironment);
    // The spooler loads the monitor's library: a path as given, a bare name
    // from the system folder.
    const std::string dll = info.dllName.find_first_of("\\/") != std::string::npos
                                ? info.dllName
                                : m_system.SystemDirectory() + "\\" + info.dllName;
    if (!m_files.IsFile(dll)) return Fail(plat::err::kModNotFound);
    if (Monitor(info.name)) return Fail(plat::err::kPrintMonitorAlreadyInstalled);
    m_monitors.push_back(MonitorRecord{info, false});
    m_registry.SetString(plat::RootKey::LocalMachine,
                         "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\" + info.name, "Driver",
                         BaseName(info.dllName));
    return true;
}

bool SimSpooler::MonitorInUse(const std::string& name) const {
    for (const PrinterRecord& printer : m_printers) {
        for (const auto& driver : m_drivers) {
            if (IEquals(driver.second.name, printer.info.driverName) &&
                IEquals(driver.second.monitorName, name)) {
                return true;
            }
        }
    }
    return false;
}

bool SimSpooler::DeleteMonitorA(const std::string& environment, const std::string& monitorName) {
    if (!Enter("DeleteMonitorA", environment + " " + monitorName)) return false;
    SimLock lock(m_context.mutex);
    if (!Environment(environment)) return Fail(spoolerr::kInvalidEnvironment);
    auto it = std::find_if(m_monitors.begin(), m_monitors.end(), [&](const MonitorRecord& monitor) {
        return IEquals(monitor.info.name, monitorName);
    });
    if (it == m_monitors.end()) return Fail(plat::err::kUnknownPrintMonitor);
    // The system's port monitors hold ports; a language monitor is in use
    // while a printer's driver names it.
    if (it->portMonitor || MonitorInUse(it->info.name)) return Fail(spoolerr::kPrintMonitorInUse);
    m_registry.DeleteTree(plat::RootKey::LocalMachine,
                          "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\" + it->info.name);
    m_monitors.erase(it);
    return true;
}

bool SimSpooler::DeletePrinterDriverA(const std::string& environment,
                                      const std::string& driverName) {
    if (!Enter("DeletePrinterDriverA")) return false;
    SimLock lock(m_context.mutex);
    const std::optional<std::string> env = Environment(environment);
    if (!env) return Fail(spoolerr::kInvalidEnvironment);
    auto it = m_drivers.find(DriverKey(*env, driverName));
    if (it == m_drivers.end()) return Fail(plat::err::kUnknownPrinterDriver);
    for (const PrinterRecord& printer : m_printers) {
        if (IEquals(printer.info.driverName, it->second.name)) {
            return Fail(spoolerr::kPrinterDriverInUse);
        }
    }
    m_registry.DeleteTree(plat::RootKey::LocalMachine,
                          "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\" + *env +
                              "\\Drivers\\Version-" + std::to_string(it->second.version) + "\\" +
                              it->second.name);
    m_drivers.erase(it);
    return true;
}

void SimSpooler::AddDriverForTests(const std::string& name, const std::string& environment) {
    SimLock lock(m_context.mutex);
    for (const char* env : {kEnvironmentX86, kEnvironmentX64}) {
        if (!environment.empty() && !IEquals(environment, env)) continue;
        const std::string dir = DriverDirectory(env) + "\\3\\";
        plat::DriverInfo3 info;
        info.name = name;
        info.environment = env;
        info.driverPath = dir + "test_drv.dll";
        info.dataFile = dir + "test_data.gpd";
        info.configFile = dir + "test_ui.dll";
        info.defaultDataType = "RAW";
        for (const std::string* file : {&info.driverPath, &info.dataFile, &info.configFile}) {
            m_files.WriteFile(*file, "placeholder");
        }
        m_drivers[DriverKey(env, name)] = info;
    }
}

std::optional<plat::DriverInfo3> SimSpooler::Driver(const std::string& environment,
                                                    const std::string& name) const {
    SimLock lock(m_context.mutex);
    auto it = m_drivers.find(DriverKey(environment, name));
    if (it == m_drivers.end()) return std::nullopt;
    return it->second;
}

std::optional<plat::MonitorInfo2> SimSpooler::Monitor(const std::string& name) const {
    SimLock lock(m_context.mutex);
    for (const MonitorRecord& monitor : m_monitors) {
        if (IEquals(monitor.info.name, name)) return monitor.info;
    }
    return std::nullopt;
}

}  // namespace sim
