#include "unattended/logging_platform.h"

#include <string>

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }
std::string Quoted(const char* text) { return text != nullptr ? Quoted(std::string(text)) : "NULL"; }

// Error codes that only answer a question: an enumeration has reached its
// end, a key, printer or monitor looked for is not there.
constexpr std::uint32_t kNoMoreFiles = 18;
constexpr long kKeyNotFound = 2;

}  // namespace

// Writes one log line per failed call and leaves the last error as it was.
class CLoggingPlatform::Notes {
public:
    Notes(plat::ISystem& system, CRunLog& log) : m_system(system), m_log(log) {}

    bool Check(bool ok, const std::string& call, std::uint32_t quietError = 0) {
        if (!ok) NoteLastError(call, quietError);
        return ok;
    }
    plat::Handle Check(plat::Handle handle, const std::string& call, std::uint32_t quietError = 0) {
        if (handle == nullptr) NoteLastError(call, quietError);
        return handle;
    }
    // Registry calls give their error as the result.
    long CheckCode(long code, const std::string& call, long quietCode = 0) {
        if (code != 0 && code != quietCode) Write(call, static_cast<std::uint32_t>(code));
        return code;
    }

private:
    void NoteLastError(const std::string& call, std::uint32_t quietError) {
        const std::uint32_t error = m_system.GetLastError();
        if (quietError == 0 || error != quietError) Write(call, error);
        m_system.SetLastError(error);
    }
    void Write(const std::string& call, std::uint32_t error) {
        m_log.Write("platform: " + call + " failed, error " + std::to_string(error));
    }

    plat::ISystem& m_system;
    CRunLog& m_log;
};

class CLoggingPlatform::Spooler final : public plat::ISpooler {
public:
    Spooler(plat::ISpooler& inner, Notes& notes) : m_inner(inner), m_notes(notes) {}

    bool EnumPortsA(std::uint32_t level, std::vector<plat::PortInfo2>* ports) override {
        return m_notes.Check(m_inner.EnumPortsA(level, ports), "EnumPortsA");
    }
    bool EnumPrintersA(std::uint32_t flags, const std::string& name, std::uint32_t level,
                       std::vector<plat::PrinterInfo2>* printers) override {
        return m_notes.Check(m_inner.EnumPrintersA(flags, name, level, printers), "EnumPrintersA");
    }
    bool AddPortA(plat::WindowHandle owner, const std::string& monitorName) override {
        return m_notes.Check(m_inner.AddPortA(owner, monitorName), "AddPortA(" + Quoted(monitorName) + ")");
    }
    bool ConfigurePortA(plat::WindowHandle owner, const std::string& portName) override {
        return m_notes.Check(m_inner.ConfigurePortA(owner, portName),
                             "ConfigurePortA(" + Quoted(portName) + ")");
    }
    bool DeletePortA(plat::WindowHandle owner, const std::string& portName) override {
        return m_notes.Check(m_inner.DeletePortA(owner, portName), "DeletePortA(" + Quoted(portName) + ")");
    }
    bool GetPrinterDriverDirectoryA(const std::string& environment, std::uint32_t level, char* buf,
                                    std::uint32_t cbBuf, std::uint32_t* needed) override {
        return m_notes.Check(m_inner.GetPrinterDriverDirectoryA(environment, level, buf, cbBuf, needed),
                             "GetPrinterDriverDirectoryA(" + Quoted(environment) + ")");
    }
    bool AddPrinterDriverExA(std::uint32_t level, const plat::DriverInfo3& info,
                             std::uint32_t copyFlags) override {
        return m_notes.Check(m_inner.AddPrinterDriverExA(level, info, copyFlags),
                             "AddPrinterDriverExA(" + Quoted(info.name) + ", " +
                                 Quoted(info.environment) + ")");
    }
    bool DeletePrinterDriverA(const std::string& environment, const std::string& driverName) override {
        return m_notes.Check(m_inner.DeletePrinterDriverA(environment, driverName),
                             "DeletePrinterDriverA(" + Quoted(environment) + ", " + Quoted(driverName) + ")");
    }
    bool DeleteMonitorA(const std::string& environment, const std::string& monitorName) override {
        return m_notes.Check(m_inner.DeleteMonitorA(environment, monitorName),
                             "DeleteMonitorA(" + Quoted(environment) + ", " + Quoted(monitorName) + ")",
                             plat::err::kUnknownPrintMonitor);
    }
    bool AddMonitorA(std::uint32_t level, const plat::MonitorInfo2& info) override {
        return m_notes.Check(m_inner.AddMonitorA(level, info),
                             "AddMonitorA(" + Quoted(info.name) + ", " + Quoted(info.dllName) + ")");
    }
    plat::Handle OpenPrinterA(const std::string& printerName,
                              const plat::PrinterDefaults& defaults) override {
        return m_notes.Check(m_inner.OpenPrinterA(printerName, defaults),
                             "OpenPrinterA(" + Quoted(printerName) + ")", plat::err::kInvalidPrinterName);
    }
    bool SetPrinterA(plat::Handle printer, std::uint32_t level, std::uint32_t command) override {
        return m_notes.Check(m_inner.SetPrinterA(printer, level, command),
                             "SetPrinterA(command " + std::to_string(command) + ")");
    }
    bool DeletePrinter(plat::Handle printer) override {
        return m_notes.Check(m_inner.DeletePrinter(printer), "DeletePrinter");
    }
    bool ClosePrinter(plat::Handle printer) override {
        return m_notes.Check(m_inner.ClosePrinter(printer), "ClosePrinter");
    }
    plat::Handle AddPrinterA(std::uint32_t level, const plat::PrinterInfo2& info) override {
        return m_notes.Check(m_inner.AddPrinterA(level, info),
                             "AddPrinterA(" + Quoted(info.printerName) + ", " + Quoted(info.portName) +
                                 ", " + Quoted(info.driverName) + ")");
    }
    bool XcvDataW(plat::Handle xcv, const std::string& dataName, const std::vector<std::uint8_t>& input,
                  std::vector<std::uint8_t>* output, std::uint32_t* needed, std::uint32_t* status) override {
        return m_notes.Check(m_inner.XcvDataW(xcv, dataName, input, output, needed, status),
                             "XcvDataW(" + Quoted(dataName) + ")");
    }

private:
    plat::ISpooler& m_inner;
    Notes& m_notes;
};

class CLoggingPlatform::Registry final : public plat::IRegistry {
public:
    Registry(plat::IRegistry& inner, Notes& notes) : m_inner(inner), m_notes(notes) {}

    long RegOpenKeyExA(plat::RootKey root, const std::string& subKey, std::uint32_t access,
                       plat::RegKey* key) override {
        return m_notes.CheckCode(m_inner.RegOpenKeyExA(root, subKey, access, key),
                                 "RegOpenKeyExA(" + Quoted(subKey) + ")", kKeyNotFound);
    }
    long RegCreateKeyExA(plat::RootKey root, const std::string& subKey, std::uint32_t access,
                         plat::RegKey* key, bool isVolatile) override {
        return m_notes.CheckCode(m_inner.RegCreateKeyExA(root, subKey, access, key, isVolatile),
                                 "RegCreateKeyExA(" + Quoted(subKey) + ")");
    }
    long RegCloseKey(plat::RegKey key) override {
        return m_notes.CheckCode(m_inner.RegCloseKey(key), "RegCloseKey");
    }
    long RegQueryValueExA(plat::RegKey key, const char* valueName, std::uint32_t* type,
                          std::uint8_t* data, std::uint32_t* cbData) override {
        return m_notes.CheckCode(m_inner.RegQueryValueExA(key, valueName, type, data, cbData),
                                 "RegQueryValueExA(" + Quoted(valueName) + ")");
    }
    long RegSetValueExA(plat::RegKey key, const char* valueName, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t cbData) override {
        return m_notes.CheckCode(m_inner.RegSetValueExA(key, valueName, type, data, cbData),
                                 "RegSetValueExA(" + Quoted(valueName) + ")");
    }
    long RegEnumValueA(plat::RegKey key, std::uint32_t index, char* name, std::uint32_t* cchName,
                       std::uint32_t* type, std::uint8_t* data, std::uint32_t* cbData) override {
        return m_notes.CheckCode(m_inner.RegEnumValueA(key, index, name, cchName, type, data, cbData),
                                 "RegEnumValueA", static_cast<long>(plat::err::kNoMoreItems));
    }
    long RegDeleteValueA(plat::RegKey key, const char* valueName) override {
        return m_notes.CheckCode(m_inner.RegDeleteValueA(key, valueName),
                                 "RegDeleteValueA(" + Quoted(valueName) + ")");
    }
    long RegDeleteKeyA(plat::RootKey root, const std::string& subKey) override {
        return m_notes.CheckCode(m_inner.RegDeleteKeyA(root, subKey), "RegDeleteKeyA(" + Quoted(subKey) + ")");
    }

private:
    plat::IRegistry& m_inner;
    Notes& m_notes;
};

class CLoggingPlatform::Services final : public plat::IServices {
public:
    Services(plat::IServices& inner, Notes& notes) : m_inner(inner), m_notes(notes) {}

    plat::Handle OpenSCManagerA(const char* machine, const char* database,
                                std::uint32_t access) override {
        return m_notes.Check(m_inner.OpenSCManagerA(machine, database, access), "OpenSCManagerA");
    }
    plat::Handle OpenServiceA(plat::Handle scm, const char* serviceName, std::uint32_t access) override {
        return m_notes.Check(m_inner.OpenServiceA(scm, serviceName, access),
                             "OpenServiceA(" + Quoted(serviceName) + ")");
    }
    bool QueryServiceStatus(plat::Handle service, plat::ServiceStatus* status) override {
        return m_notes.Check(m_inner.QueryServiceStatus(service, status), "QueryServiceStatus");
    }
    bool ControlService(plat::Handle service, std::uint32_t control, plat::ServiceStatus* status) override {
        return m_notes.Check(m_inner.ControlService(service, control, status),
                             "ControlService(" + std::to_string(control) + ")");
    }
    bool StartServiceA(plat::Handle service) override {
        return m_notes.Check(m_inner.StartServiceA(service), "StartServiceA");
    }
    bool CloseServiceHandle(plat::Handle handle) override {
        return m_notes.Check(m_inner.CloseServiceHandle(handle), "CloseServiceHandle");
    }

private:
    plat::IServices& m_inner;
    Notes& m_notes;
};

class CLoggingPlatform::Files final : public plat::IFiles {
public:
    Files(plat::IFiles& inner, Notes& notes) : m_inner(inner), m_notes(notes) {}

    // Queries answer questions; a "no" is not a failure.
    std::uint32_t GetFileAttributesA(const char* path) override { return m_inner.GetFileAttributesA(path); }
    bool SetFileAttributesA(const char* path, std::uint32_t attributes) override {
        return m_notes.Check(m_inner.SetFileAttributesA(path, attributes),
                             "SetFileAttributesA(" + Quoted(path) + ")");
    }
    plat::Handle FindFirstFileA(const char* pattern, plat::FindData* data) override {
        return m_notes.Check(m_inner.FindFirstFileA(pattern, data), "FindFirstFileA(" + Quoted(pattern) + ")");
    }
    bool FindNextFileA(plat::Handle find, plat::FindData* data) override {
        return m_notes.Check(m_inner.FindNextFileA(find, data), "FindNextFileA", kNoMoreFiles);
    }
    bool FindClose(plat::Handle find) override { return m_notes.Check(m_inner.FindClose(find), "FindClose"); }
    bool DeleteFileA(const char* path) override {
        return m_notes.Check(m_inner.DeleteFileA(path), "DeleteFileA(" + Quoted(path) + ")");
    }
    bool RemoveDirectoryA(const char* path) override {
        return m_notes.Check(m_inner.RemoveDirectoryA(path), "RemoveDirectoryA(" + Quoted(path) + ")");
    }
    bool CreateDirectoryA(const char* path) override {
        return m_notes.Check(m_inner.CreateDirectoryA(path), "CreateDirectoryA(" + Quoted(path) + ")");
    }
    bool CopyFileA(const char* from, const char* to, bool failIfExists) override {
        return m_notes.Check(m_inner.CopyFileA(from, to, failIfExists),
                             "CopyFileA(" + Quoted(from) + ", " + Quoted(to) + ")");
    }
    std::uint32_t GetCurrentDirectoryA(std::uint32_t cch, char* buf) override {
        const std::uint32_t length = m_inner.GetCurrentDirectoryA(cch, buf);
        m_notes.Check(length != 0, "GetCurrentDirectoryA");
        return length;
    }
    std::uint32_t GetPrivateProfileSectionNamesA(char* buf, std::uint32_t size,
                                                 const char* fileName) override {
        return m_inner.GetPrivateProfileSectionNamesA(buf, size, fileName);
    }
    std::uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                           char* buf, std::uint32_t size, const char* fileName) override {
        return m_inner.GetPrivateProfileStringA(section, key, defaultValue, buf, size, fileName);
    }

private:
    plat::IFiles& m_inner;
    Notes& m_notes;
};

class CLoggingPlatform::Modules final : public plat::IModules {
public:
    Modules(plat::IModules& inner, Notes& notes) : m_inner(inner), m_notes(notes) {}

    plat::Handle LoadLibraryExA(const char* fileName, std::uint32_t flags) override {
        return m_notes.Check(m_inner.LoadLibraryExA(fileName, flags), "LoadLibraryExA(" + Quoted(fileName) + ")");
    }
    void* GetProcAddress(plat::Handle module, const char* procName) override {
        void* proc = m_inner.GetProcAddress(module, procName);
        m_notes.Check(proc != nullptr, "GetProcAddress(" + Quoted(procName) + ")");
        return proc;
    }
    bool FreeLibrary(plat::Handle module) override {
        return m_notes.Check(m_inner.FreeLibrary(module), "FreeLibrary");
    }

private:
    plat::IModules& m_inner;
    Notes& m_notes;
};

CLoggingPlatform::CLoggingPlatform(plat::Platform& inner, plat::IUserInterface& ui, CRunLog& log)
    : m_notes(std::make_unique<Notes>(inner.system, log)),
      m_spooler(std::make_unique<Spooler>(inner.spooler, *m_notes)),
      m_registry(std::make_unique<Registry>(inner.registry, *m_notes)),
      m_services(std::make_unique<Services>(inner.services, *m_notes)),
      m_files(std::make_unique<Files>(inner.files, *m_notes)),
      m_modules(std::make_unique<Modules>(inner.modules, *m_notes)),
      m_platform(std::make_unique<plat::Platform>(plat::Platform{
          *m_spooler, *m_registry, *m_services, *m_files, inner.system, *m_modules, ui, inner.serial})) {}

CLoggingPlatform::~CLoggingPlatform() = default;
