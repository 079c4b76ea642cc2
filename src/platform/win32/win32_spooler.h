// The print spooler through winspool, on the local machine (null server).
#pragma once

#include "platform/spooler.h"

namespace plat::win32 {

class Win32Spooler final : public ISpooler {
public:
    bool EnumPortsA(std::uint32_t level, std::vector<PortInfo2>* ports) override;
    bool EnumPrintersA(std::uint32_t flags, const std::string& name, std::uint32_t level,
                       std::vector<PrinterInfo2>* printers) override;
    bool AddPortA(WindowHandle owner, const std::string& monitorName) override;
    bool ConfigurePortA(WindowHandle owner, const std::string& portName) override;
    bool DeletePortA(WindowHandle owner, const std::string& portName) override;
    bool GetPrinterDriverDirectoryA(const std::string& environment, std::uint32_t level, char* buf,
                                    std::uint32_t cbBuf, std::uint32_t* needed) override;
    bool AddPrinterDriverExA(std::uint32_t level, const DriverInfo3& info,
                             std::uint32_t copyFlags) override;
    bool DeletePrinterDriverA(const std::string& environment,
                              const std::string& driverName) override;
    bool DeleteMonitorA(const std::string& environment, const std::string& monitorName) override;
    bool AddMonitorA(std::uint32_t level, const MonitorInfo2& info) override;
    Handle OpenPrinterA(const std::string& printerName, const PrinterDefaults& defaults) override;
    bool SetPrinterA(Handle printer, std::uint32_t level, std::uint32_t command) override;
    bool DeletePrinter(Handle printer) override;
    bool ClosePrinter(Handle printer) override;
    Handle AddPrinterA(std::uint32_t level, const PrinterInfo2& info) override;
    bool XcvDataW(Handle xcv, const std::string& dataName, const std::vector<std::uint8_t>& input,
                  std::vector<std::uint8_t>* output, std::uint32_t* needed,
                  std::uint32_t* status) override;
};

}  // namespace plat::win32
