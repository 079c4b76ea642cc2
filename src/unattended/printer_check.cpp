#include "unattended/printer_check.h"

#include <vector>

#include "unattended/printer_request.h"

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// A pooled printer names its ports separated by commas.
bool HasPort(const std::string& ports, const std::string& port) {
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type comma = ports.find(',', start);
        if (SamePortName(ports.substr(start, comma == std::string::npos ? std::string::npos : comma - start), port)) {
            return true;
        }
        if (comma == std::string::npos) return false;
        start = comma + 1;
    }
}

}  // namespace

PrinterCheck CheckPrinter(plat::ISpooler& spooler, plat::ISystem& system, const std::string& name,
                          const std::string& driver, const std::string& port) {
    std::vector<plat::PrinterInfo2> printers;
    if (!spooler.EnumPrintersA(plat::kPrinterEnumLocal | plat::kPrinterEnumConnections, "", 2, &printers)) {
        return {false, "the spooler did not list its printers (error " + std::to_string(system.GetLastError()) + ")"};
    }
    for (const plat::PrinterInfo2& printer : printers) {
        if (!SameText(printer.printerName, name)) continue;
        const std::string found = Quoted(printer.printerName) + " is installed: driver " +
                                  Quoted(printer.driverName) + ", port " + Quoted(printer.portName);
        if (!driver.empty() && !SameText(printer.driverName, driver)) {
            return {false, found + "; not the driver " + Quoted(driver)};
        }
        if (!port.empty() && !HasPort(printer.portName, port)) return {false, found + "; not on port " + Quoted(port)};
        return {true, found};
    }
    return {false, "there is no printer " + Quoted(name)};
}
