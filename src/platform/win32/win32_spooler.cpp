#include "platform/win32/win32_spooler.h"

#include <deque>

#include "platform/win32/win32_windows.h"

namespace plat::win32 {
namespace {

// winspool takes LPSTR even where it only reads. These copies give it
// writable storage that lives as long as the call; a deque keeps earlier
// copies in place while later ones are added.
class ArgStrings {
public:
    char* Str(const std::string& s) { return m_store.emplace_back(s).data(); }
    // Empty strings go to the spooler as NULL ("not given").
    char* OrNull(const std::string& s) { return s.empty() ? nullptr : Str(s); }

private:
    std::deque<std::string> m_store;
};

std::string FromSpooler(const char* s) { return s != nullptr ? s : ""; }

// The enumeration calls are made twice: once with no buffer to learn the
// size, then with a buffer of that size. Count and size start at 0 so a
// failed first call leaves nothing to walk. Returns the number of records of
// type T in `buffer`, or false when the second call fails.
template <typename T, typename Call>
bool EnumerateTwice(Call call, std::vector<BYTE>* buffer, DWORD* count) {
    DWORD needed = 0;
    *count = 0;
    call(nullptr, 0, &needed, count);
    buffer->assign(needed, 0);
    *count = 0;
    if (!call(needed != 0 ? buffer->data() : nullptr, needed, &needed, count)) {
        *count = 0;
        return false;
    }
    // A spooler that claims more records than the buffer holds is not trusted.
    if (*count > buffer->size() / sizeof(T)) {
        *count = 0;
        ::SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    return true;
}

HANDLE ToHandle(Handle h) { return static_cast<HANDLE>(h); }

}  // namespace

bool Win32Spooler::EnumPortsA(std::uint32_t level, std::vector<PortInfo2>* ports) {
    ports->clear();
    if (level != 1 && level != 2) {
        ::SetLastError(ERROR_INVALID_LEVEL);
        return false;
    }
    auto call = [level](BYTE* buf, DWORD cb, DWORD* needed, DWORD* count) {
        return ::EnumPortsA(nullptr, level, buf, cb, needed, count);
    };
    std::vector<BYTE> buffer;
    DWORD count = 0;
    if (level == 1) {
        if (!EnumerateTwice<PORT_INFO_1A>(call, &buffer, &count)) return false;
        const auto* records = reinterpret_cast<const PORT_INFO_1A*>(buffer.data());
        for (DWORD i = 0; i < count; ++i) {
            PortInfo2 port;
            port.portName = FromSpooler(records[i].pName);
            ports->push_back(std::move(port));
        }
        return true;
    }
    if (!EnumerateTwice<PORT_INFO_2A>(call, &buffer, &count)) return false;
    const auto* records = reinterpret_cast<const PORT_INFO_2A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        PortInfo2 port;
        port.portName = FromSpooler(records[i].pPortName);
        port.monitorName = FromSpooler(records[i].pMonitorName);
        port.description = FromSpooler(records[i].pDescription);
        port.portType = records[i].fPortType;
        ports->push_back(std::move(port));
    }
    return true;
}

bool Win32Spooler::EnumPrintersA(std::uint32_t flags, const std::string& name,
                                 std::uint32_t level, std::vector<PrinterInfo2>* printers) {
    printers->clear();
    if (level != 2) {
        ::SetLastError(ERROR_INVALID_LEVEL);
        return false;
    }
    ArgStrings args;
    char* pName = args.Str(name);
    auto call = [flags, pName, level](BYTE* buf, DWORD cb, DWORD* needed, DWORD* count) {
        return ::EnumPrintersA(flags, pName, level, buf, cb, needed, count);
    };
    std::vector<BYTE> buffer;
    DWORD count = 0;
    if (!EnumerateTwice<PRINTER_INFO_2A>(call, &buffer, &count)) return false;
    const auto* records = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        const PRINTER_INFO_2A& r = records[i];
        PrinterInfo2 p;
        p.serverName = FromSpooler(r.pServerName);
        p.printerName = FromSpooler(r.pPrinterName);
        p.shareName = FromSpooler(r.pShareName);
        p.portName = FromSpooler(r.pPortName);
        p.driverName = FromSpooler(r.pDriverName);
        p.comment = FromSpooler(r.pComment);
        p.location = FromSpooler(r.pLocation);
        p.sepFile = FromSpooler(r.pSepFile);
        p.printProcessor = FromSpooler(r.pPrintProcessor);
        p.datatype = FromSpooler(r.pDatatype);
        p.parameters = FromSpooler(r.pParameters);
        p.attributes = r.Attributes;
        p.priority = r.Priority;
        p.defaultPriority = r.DefaultPriority;
        p.startTime = r.StartTime;
        p.untilTime = r.UntilTime;
        p.status = r.Status;
        printers->push_back(std::move(p));
    }
    return true;
}

bool Win32Spooler::AddPortA(WindowHandle owner, const std::string& monitorName) {
    ArgStrings args;
    return ::AddPortA(nullptr, static_cast<HWND>(owner), args.Str(monitorName)) != FALSE;
}

bool Win32Spooler::ConfigurePortA(WindowHandle owner, const std::string& portName) {
    ArgStrings args;
    return ::ConfigurePortA(nullptr, static_cast<HWND>(owner), args.Str(portName)) != FALSE;
}

bool Win32Spooler::DeletePortA(WindowHandle owner, const std::string& portName) {
    ArgStrings args;
    return ::DeletePortA(nullptr, static_cast<HWND>(owner), args.Str(portName)) != FALSE;
}

bool Win32Spooler::GetPrinterDriverDirectoryA(const std::string& environment, std::uint32_t level,
                                              char* buf, std::uint32_t cbBuf,
                                              std::uint32_t* needed) {
    ArgStrings args;
    DWORD cbNeeded = 0;
    const BOOL ok = ::GetPrinterDriverDirectoryA(nullptr, args.OrNull(environment), level,
                                                 reinterpret_cast<BYTE*>(buf), cbBuf, &cbNeeded);
    if (needed != nullptr) *needed = cbNeeded;
    return ok != FALSE;
}

bool Win32Spooler::AddPrinterDriverExA(std::uint32_t level, const DriverInfo3& info,
                                       std::uint32_t copyFlags) {
    ArgStrings args;
    // The dependent files travel as one block: each name NUL-terminated,
    // the block ended by a second NUL.
    std::string dependentFiles;
    for (const std::string& file : info.dependentFiles) {
        dependentFiles += file;
        dependentFiles += '\0';
    }
    if (!dependentFiles.empty()) dependentFiles += '\0';

    DRIVER_INFO_3A record{};
    record.cVersion = info.version;
    record.pName = args.OrNull(info.name);
    record.pEnvironment = args.OrNull(info.environment);
    // The spooler requires the three paths; an empty one goes as "" so the
    // spooler refuses it instead of reading a NULL.
    record.pDriverPath = args.Str(info.driverPath);
    record.pDataFile = args.Str(info.dataFile);
    record.pConfigFile = args.Str(info.configFile);
    record.pHelpFile = args.OrNull(info.helpFile);
    record.pDependentFiles = args.OrNull(dependentFiles);
    record.pMonitorName = args.Str(info.monitorName);
    record.pDefaultDataType = args.OrNull(info.defaultDataType);
    return ::AddPrinterDriverExA(nullptr, level, reinterpret_cast<BYTE*>(&record), copyFlags) !=
           FALSE;
}

bool Win32Spooler::DeletePrinterDriverA(const std::string& environment,
                                        const std::string& driverName) {
    ArgStrings args;
    return ::DeletePrinterDriverA(nullptr, args.OrNull(environment), args.Str(driverName)) != FALSE;
}

bool Win32Spooler::DeleteMonitorA(const std::string& environment, const std::string& monitorName) {
    ArgStrings args;
    return ::DeleteMonitorA(nullptr, args.OrNull(environment), args.Str(monitorName)) != FALSE;
}

bool Win32Spooler::AddMonitorA(std::uint32_t level, const MonitorInfo2& info) {
    ArgStrings args;
    MONITOR_INFO_2A record{};
    record.pName = args.OrNull(info.name);
    record.pEnvironment = args.OrNull(info.environment);
    record.pDLLName = args.OrNull(info.dllName);
    return ::AddMonitorA(nullptr, level, reinterpret_cast<BYTE*>(&record)) != FALSE;
}

Handle Win32Spooler::OpenPrinterA(const std::string& printerName,
                                  const PrinterDefaults& defaults) {
    ArgStrings args;
    PRINTER_DEFAULTSA pd{};
    pd.pDatatype = args.OrNull(defaults.datatype);
    pd.pDevMode = nullptr;
    pd.DesiredAccess = defaults.desiredAccess;
    HANDLE printer = nullptr;
    if (!::OpenPrinterA(args.OrNull(printerName), &printer, &pd)) return nullptr;
    return printer;
}

bool Win32Spooler::SetPrinterA(Handle printer, std::uint32_t level, std::uint32_t command) {
    return ::SetPrinterA(ToHandle(printer), level, nullptr, command) != FALSE;
}

bool Win32Spooler::DeletePrinter(Handle printer) {
    return ::DeletePrinter(ToHandle(printer)) != FALSE;
}

bool Win32Spooler::ClosePrinter(Handle printer) {
    return ::ClosePrinter(ToHandle(printer)) != FALSE;
}

Handle Win32Spooler::AddPrinterA(std::uint32_t level, const PrinterInfo2& info) {
    ArgStrings args;
    PRINTER_INFO_2A record{};
    record.pServerName = args.OrNull(info.serverName);
    record.pPrinterName = args.OrNull(info.printerName);
    record.pShareName = args.OrNull(info.shareName);
    record.pPortName = args.OrNull(info.portName);
    record.pDriverName = args.OrNull(info.driverName);
    record.pComment = args.OrNull(info.comment);
    record.pLocation = args.OrNull(info.location);
    record.pDevMode = nullptr;
    record.pSepFile = args.OrNull(info.sepFile);
    record.pPrintProcessor = args.OrNull(info.printProcessor);
    record.pDatatype = args.OrNull(info.datatype);
    record.pParameters = args.OrNull(info.parameters);
    record.pSecurityDescriptor = nullptr;
    record.Attributes = info.attributes;
    record.Priority = info.priority;
    record.DefaultPriority = info.defaultPriority;
    record.StartTime = info.startTime;
    record.UntilTime = info.untilTime;
    record.Status = info.status;
    return ::AddPrinterA(nullptr, level, reinterpret_cast<BYTE*>(&record));
}

bool Win32Spooler::XcvDataW(Handle xcv, const std::string& dataName,
                            const std::vector<std::uint8_t>& input, std::vector<std::uint8_t>* output,
                            std::uint32_t* needed, std::uint32_t* status) {
    // The commands are plain ASCII words.
    const std::wstring name(dataName.begin(), dataName.end());
    std::vector<BYTE> in(input.begin(), input.end());
    DWORD cbNeeded = 0;
    DWORD monitorStatus = 0;
    const BOOL asked = ::XcvDataW(ToHandle(xcv), name.c_str(), in.empty() ? nullptr : in.data(),
                                  static_cast<DWORD>(in.size()), output->empty() ? nullptr : output->data(),
                                  static_cast<DWORD>(output->size()), &cbNeeded, &monitorStatus);
    *needed = cbNeeded;
    *status = monitorStatus;
    return asked != FALSE;
}

}  // namespace plat::win32
