// The print spooler operations the installer relies on, one method each,
// named after the Win32 call they stand for. Failures come back as the
// result plus the thread's last error (ISystem::GetLastError).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

namespace plat {

struct PortInfo2 {
    std::string portName;
    std::string monitorName;
    std::string description;
    std::uint32_t portType = 0;
};

struct PrinterInfo2 {
    std::string serverName;
    std::string printerName;
    std::string shareName;
    std::string portName;
    std::string driverName;
    std::string comment;
    std::string location;
    std::string sepFile;
    std::string printProcessor;
    std::string datatype;
    std::string parameters;
    std::uint32_t attributes = 0;
    std::uint32_t priority = 0;
    std::uint32_t defaultPriority = 0;
    std::uint32_t startTime = 0;
    std::uint32_t untilTime = 0;
    std::uint32_t status = 0;
};

// Empty strings are passed to Windows as NULL, except the three paths
// (driver, data, config) which the spooler requires and the monitor name,
// which goes as "" when there is none.
struct DriverInfo3 {
    std::uint32_t version = 3;
    std::string name;
    std::string environment;
    std::string driverPath;
    std::string dataFile;
    std::string configFile;
    std::string helpFile;
    std::vector<std::string> dependentFiles;  // becomes a double-NUL list
    std::string monitorName;
    std::string defaultDataType;
};

struct MonitorInfo2 {
    std::string name;
    std::string environment;
    std::string dllName;
};

struct PrinterDefaults {
    std::string datatype;          // empty: NULL
    std::uint32_t desiredAccess = 0;
};

constexpr std::uint32_t kPrinterEnumLocal = 0x2;
constexpr std::uint32_t kPrinterEnumConnections = 0x4;
constexpr std::uint32_t kAplCopyAllFiles = 0x4;   // APD_COPY_ALL_FILES
constexpr std::uint32_t kPrinterControlPurge = 3;
constexpr std::uint32_t kPrinterAllAccess = 0x000F000C;
constexpr std::uint32_t kServerAccessAdminister = 0x00000001;
// OpenPrinterA names that reach a port monitor's own interface: the
// monitor's name or a port's name follows.
constexpr const char* kXcvMonitorPrefix = ",XcvMonitor ";
constexpr const char* kXcvPortPrefix = ",XcvPort ";

class ISpooler {
public:
    virtual ~ISpooler() = default;

    // Level 2. The Win32 layer asks for the size first, then fills a buffer
    // of that size; false leaves `ports` empty.
    virtual bool EnumPortsA(std::uint32_t level, std::vector<PortInfo2>* ports) = 0;
    virtual bool EnumPrintersA(std::uint32_t flags, const std::string& name, std::uint32_t level,
                               std::vector<PrinterInfo2>* printers) = 0;
    virtual bool AddPortA(WindowHandle owner, const std::string& monitorName) = 0;
    virtual bool ConfigurePortA(WindowHandle owner, const std::string& portName) = 0;
    virtual bool DeletePortA(WindowHandle owner, const std::string& portName) = 0;
    // Writes at most `cbBuf` bytes (NUL included) into `buf`; `*needed` gets
    // the size the directory needs.
    virtual bool GetPrinterDriverDirectoryA(const std::string& environment, std::uint32_t level,
                                            char* buf, std::uint32_t cbBuf,
                                            std::uint32_t* needed) = 0;
    virtual bool AddPrinterDriverExA(std::uint32_t level, const DriverInfo3& info,
                                     std::uint32_t copyFlags) = 0;
    // Removes the driver's record for `environment` (its files stay); Windows
    // refuses a driver a printer uses (3001).
    virtual bool DeletePrinterDriverA(const std::string& environment,
                                      const std::string& driverName) = 0;
    virtual bool DeleteMonitorA(const std::string& environment, const std::string& monitorName) = 0;
    virtual bool AddMonitorA(std::uint32_t level, const MonitorInfo2& info) = 0;
    // Returns a printer handle, or nullptr. An empty name opens the local
    // print server (the name goes to Windows as NULL).
    virtual Handle OpenPrinterA(const std::string& printerName, const PrinterDefaults& defaults) = 0;
    virtual bool SetPrinterA(Handle printer, std::uint32_t level, std::uint32_t command) = 0;
    virtual bool DeletePrinter(Handle printer) = 0;
    virtual bool ClosePrinter(Handle printer) = 0;
    // Returns a printer handle the caller closes, or nullptr.
    virtual Handle AddPrinterA(std::uint32_t level, const PrinterInfo2& info) = 0;
    // XcvDataW on a handle of a ",XcvMonitor " or ",XcvPort " name: runs
    // the port monitor's command `dataName` ("AddPort", "GetConfigInfo")
    // with `input`; `output` comes sized by the caller and gets at most that
    // many bytes; `*needed` the size the answer needs; `*status` the
    // monitor's own result (0: done). False when the spooler could not ask
    // the monitor (last error set).
    virtual bool XcvDataW(Handle xcv, const std::string& dataName,
                          const std::vector<std::uint8_t>& input,
                          std::vector<std::uint8_t>* output, std::uint32_t* needed,
                          std::uint32_t* status) = 0;
};

}  // namespace plat
