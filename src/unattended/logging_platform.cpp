#include "unattended/logging_platform.h"

#include <algorithm>
#include <initializer_list>
#include <string>

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }
std::string Quoted(const char* text) { return text != nullptr ? Quoted(std::string(text)) : "NULL"; }

// A key looked for that is not there only answers a question.
constexpr long kKeyNotFound = static_cast<long>(plat::err::kFileNotFound);

}  // namespace

// Writes one log line per failed call and leaves the last error as it was.
// Every wrapper below forwards each call in one shape: the inner call's
// result goes through Check (or CheckCode), which tells a failure by the
// result's kind. Errors that only answer a question, or that an overlapped
// call gives while it is under way, are `quiet`.
class CLoggingPlatform::Notes {
public:
    using Quiet = std::initializer_list<std::uint32_t>;

    Notes(plat::ISystem& system, CRunLog& log) : m_system(system), m_log(log) {}

    bool Check(bool ok, const std::string& call, Quiet quiet = {}) {
        if (!ok) NoteLastError(call, quiet);
        return ok;
    }
    plat::Handle Check(plat::Handle handle, const std::string& call, Quiet quiet = {}) {
        if (handle == nullptr) NoteLastError(call, quiet);
        return handle;
    }
    // A result that fails when it equals `failure` (a length of 0, an
    // invalid handle, kWaitFailed).
    template <typename Result>
    Result CheckFor(Result result, Result failure, const std::string& call) {
        if (result == failure) NoteLastError(call, {});
        return result;
    }
    // Registry calls give their error as the result.
    long CheckCode(long code, const std::string& call, long quietCode = 0) {
        if (code != 0 && code != quietCode) Write(call, static_cast<std::uint32_t>(code));
        return code;
    }

private:
    void NoteLastError(const std::string& call, Quiet quiet) {
        const std::uint32_t error = m_system.GetLastError();
        if (std::find(quiet.begin(), quiet.end(), error) == quiet.end()) Write(call, error);
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
                             {plat::err::kUnknownPrintMonitor});
    }
    bool AddMonitorA(std::uint32_t level, const plat::MonitorInfo2& info) override {
        return m_notes.Check(m_inner.AddMonitorA(level, info),
                             "AddMonitorA(" + Quoted(info.name) + ", " + Quoted(info.dllName) + ")");
    }
    plat::Handle OpenPrinterA(const std::string& printerName,
                              const plat::PrinterDefaults& defaults) override {
        return m_notes.Check(m_inner.OpenPrinterA(printerName, defaults),
                             "OpenPrinterA(" + Quoted(printerName) + ")", {plat::err::kInvalidPrinterName});
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
        return m_notes.Check(m_inner.FindNextFileA(find, data), "FindNextFileA", {plat::err::kNoMoreFiles});
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
        return m_notes.CheckFor(m_inner.GetCurrentDirectoryA(cch, buf), 0u, "GetCurrentDirectoryA");
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
        return m_notes.Check(m_inner.GetProcAddress(module, procName), "GetProcAddress(" + Quoted(procName) + ")");
    }
    bool FreeLibrary(plat::Handle module) override {
        return m_notes.Check(m_inner.FreeLibrary(module), "FreeLibrary");
    }

private:
    plat::IModules& m_inner;
    Notes& m_notes;
};

class CLoggingPlatform::System final : public plat::ISystem {
public:
    System(plat::ISystem& inner, Notes& notes) : m_inner(inner), m_notes(notes) {}

    bool GetVersionExA(plat::OsVersionInfo* info) override {
        return m_notes.Check(m_inner.GetVersionExA(info), "GetVersionExA(size " + std::to_string(info->size) + ")");
    }
    bool HasIsWow64Process() override { return m_inner.HasIsWow64Process(); }
    bool IsWow64Process(bool* isWow64) override {
        return m_notes.Check(m_inner.IsWow64Process(isWow64), "IsWow64Process");
    }
    std::uint32_t GetSystemDirectoryA(char* buf, std::uint32_t cch) override {
        return m_notes.CheckFor(m_inner.GetSystemDirectoryA(buf, cch), 0u, "GetSystemDirectoryA");
    }
    std::uint32_t GetWindowsDirectoryA(char* buf, std::uint32_t cch) override {
        return m_notes.CheckFor(m_inner.GetWindowsDirectoryA(buf, cch), 0u, "GetWindowsDirectoryA");
    }
    // These cannot fail.
    std::string GetModuleFileNameA() override { return m_inner.GetModuleFileNameA(); }
    void Sleep(std::uint32_t milliseconds) override { m_inner.Sleep(milliseconds); }
    std::uint32_t GetTickCount() override { return m_inner.GetTickCount(); }
    std::uint32_t GetLastError() override { return m_inner.GetLastError(); }
    void SetLastError(std::uint32_t error) override { m_inner.SetLastError(error); }
    bool OpenProcessToken(std::uint32_t access, plat::Handle* token) override {
        return m_notes.Check(m_inner.OpenProcessToken(access, token), "OpenProcessToken");
    }
    bool LookupPrivilegeValueA(const char* systemName, const char* name, plat::Luid* luid) override {
        return m_notes.Check(m_inner.LookupPrivilegeValueA(systemName, name, luid),
                             "LookupPrivilegeValueA(" + Quoted(name) + ")");
    }
    bool AdjustTokenPrivileges(plat::Handle token, const plat::Luid& luid, std::uint32_t attributes) override {
        return m_notes.Check(m_inner.AdjustTokenPrivileges(token, luid, attributes), "AdjustTokenPrivileges");
    }
    bool CloseHandle(plat::Handle handle) override {
        return m_notes.Check(m_inner.CloseHandle(handle), "CloseHandle");
    }
    plat::Handle CreateMutexA(const std::string& name) override {
        return m_notes.Check(m_inner.CreateMutexA(name), "CreateMutexA(" + Quoted(name) + ")");
    }
    std::uint32_t WaitForSingleObject(plat::Handle handle, std::uint32_t milliseconds) override {
        return m_notes.CheckFor(m_inner.WaitForSingleObject(handle, milliseconds), plat::kWaitFailed,
                                "WaitForSingleObject");
    }
    bool ReleaseMutex(plat::Handle mutex) override {
        return m_notes.Check(m_inner.ReleaseMutex(mutex), "ReleaseMutex");
    }
    bool CheckAdministratorsMembership(bool* member) override {
        return m_notes.Check(m_inner.CheckAdministratorsMembership(member), "CheckAdministratorsMembership");
    }

private:
    plat::ISystem& m_inner;
    Notes& m_notes;
};

// The overlapped calls of a port under way give kIoPending, and the probe's
// closing of a port aborts them (kOperationAborted), as Wine's empty events
// do every few milliseconds: none of these is a failure.
class CLoggingPlatform::Serial final : public plat::ISerial {
public:
    Serial(plat::ISerial& inner, Notes& notes) : m_inner(inner), m_notes(notes) {}

    plat::Handle CreateFileA(const char* name, std::uint32_t access, std::uint32_t shareMode,
                             std::uint32_t creation, std::uint32_t flags) override {
        return m_notes.CheckFor(m_inner.CreateFileA(name, access, shareMode, creation, flags),
                                plat::kInvalidHandleValue, "CreateFileA(" + Quoted(name) + ")");
    }
    bool SetupComm(plat::Handle port, std::uint32_t inQueue, std::uint32_t outQueue) override {
        return m_notes.Check(m_inner.SetupComm(port, inQueue, outQueue), "SetupComm");
    }
    bool SetCommTimeouts(plat::Handle port, const plat::CommTimeouts& timeouts) override {
        return m_notes.Check(m_inner.SetCommTimeouts(port, timeouts), "SetCommTimeouts");
    }
    bool SetCommMask(plat::Handle port, std::uint32_t mask) override {
        return m_notes.Check(m_inner.SetCommMask(port, mask), "SetCommMask");
    }
    bool GetCommMask(plat::Handle port, std::uint32_t* mask) override {
        return m_notes.Check(m_inner.GetCommMask(port, mask), "GetCommMask");
    }
    bool GetCommState(plat::Handle port, plat::CommState* state) override {
        return m_notes.Check(m_inner.GetCommState(port, state), "GetCommState");
    }
    bool BuildCommDCBA(const char* definition, plat::CommState* state) override {
        return m_notes.Check(m_inner.BuildCommDCBA(definition, state), "BuildCommDCBA(" + Quoted(definition) + ")");
    }
    bool SetCommState(plat::Handle port, const plat::CommState& state) override {
        return m_notes.Check(m_inner.SetCommState(port, state), "SetCommState");
    }
    bool PurgeComm(plat::Handle port, std::uint32_t flags) override {
        return m_notes.Check(m_inner.PurgeComm(port, flags), "PurgeComm");
    }
    bool WaitCommEvent(plat::Handle port, std::uint32_t* events, plat::Overlapped* overlapped) override {
        return m_notes.Check(m_inner.WaitCommEvent(port, events, overlapped), "WaitCommEvent", kUnderWay);
    }
    bool ClearCommError(plat::Handle port, std::uint32_t* errors, plat::CommStatus* status) override {
        return m_notes.Check(m_inner.ClearCommError(port, errors, status), "ClearCommError");
    }
    bool ReadFile(plat::Handle port, void* buffer, std::uint32_t count, std::uint32_t* read,
                  plat::Overlapped* overlapped) override {
        return m_notes.Check(m_inner.ReadFile(port, buffer, count, read, overlapped), "ReadFile", kUnderWay);
    }
    bool WriteFile(plat::Handle port, const void* buffer, std::uint32_t count, std::uint32_t* written,
                   plat::Overlapped* overlapped) override {
        return m_notes.Check(m_inner.WriteFile(port, buffer, count, written, overlapped), "WriteFile", kUnderWay);
    }
    bool GetOverlappedResult(plat::Handle port, plat::Overlapped* overlapped, std::uint32_t* transferred,
                             bool wait) override {
        return m_notes.Check(m_inner.GetOverlappedResult(port, overlapped, transferred, wait),
                             "GetOverlappedResult", kUnderWay);
    }
    bool CloseHandle(plat::Handle handle) override {
        return m_notes.Check(m_inner.CloseHandle(handle), "CloseHandle");
    }
    plat::Handle CreateEventA(bool manualReset, bool initialState) override {
        return m_notes.Check(m_inner.CreateEventA(manualReset, initialState), "CreateEventA");
    }
    bool SetEvent(plat::Handle event) override { return m_notes.Check(m_inner.SetEvent(event), "SetEvent"); }
    bool ResetEvent(plat::Handle event) override {
        return m_notes.Check(m_inner.ResetEvent(event), "ResetEvent");
    }
    std::uint32_t WaitForMultipleObjects(std::uint32_t count, const plat::Handle* handles, bool waitAll,
                                         std::uint32_t timeoutMs) override {
        return m_notes.CheckFor(m_inner.WaitForMultipleObjects(count, handles, waitAll, timeoutMs),
                                plat::kWaitFailed, "WaitForMultipleObjects");
    }
    std::string FormatMessageA(std::uint32_t code) override { return m_inner.FormatMessageA(code); }

private:
    static constexpr Notes::Quiet kUnderWay = {plat::err::kIoPending, plat::err::kIoIncomplete,
                                               plat::err::kOperationAborted};
    plat::ISerial& m_inner;
    Notes& m_notes;
};

CLoggingPlatform::CLoggingPlatform(plat::Platform& inner, plat::IUserInterface& ui, CRunLog& log)
    : m_notes(std::make_unique<Notes>(inner.system, log)),
      m_spooler(std::make_unique<Spooler>(inner.spooler, *m_notes)),
      m_registry(std::make_unique<Registry>(inner.registry, *m_notes)),
      m_services(std::make_unique<Services>(inner.services, *m_notes)),
      m_files(std::make_unique<Files>(inner.files, *m_notes)),
      m_modules(std::make_unique<Modules>(inner.modules, *m_notes)),
      m_system(std::make_unique<System>(inner.system, *m_notes)),
      m_serial(std::make_unique<Serial>(inner.serial, *m_notes)),
      m_platform(std::make_unique<plat::Platform>(plat::Platform{
          *m_spooler, *m_registry, *m_services, *m_files, *m_system, *m_modules, ui, *m_serial})) {}

CLoggingPlatform::~CLoggingPlatform() = default;
