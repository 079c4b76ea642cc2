#include "unattended/printer_removal.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <optional>
#include <vector>

#include "install/catalogue.h"
#include "install/driver_record.h"

namespace {

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool IsLabelDriver(const std::string& driver) {
    return std::any_of(std::begin(g_apszLabelNames), std::end(g_apszLabelNames),
                       [&](const char* name) { return SameName(driver, name); });
}

// The installed printers; nullopt when the spooler does not list them.
std::optional<std::vector<plat::PrinterInfo2>> ListPrinters(plat::ISpooler& spooler) {
    std::vector<plat::PrinterInfo2> printers;
    if (!spooler.EnumPrintersA(plat::kPrinterEnumLocal | plat::kPrinterEnumConnections, "", 2, &printers)) {
        return std::nullopt;
    }
    return printers;
}

const plat::PrinterInfo2* FindPrinter(const std::vector<plat::PrinterInfo2>& printers,
                                      const std::function<bool(const plat::PrinterInfo2&)>& match) {
    const auto it = std::find_if(printers.begin(), printers.end(), match);
    return it == printers.end() ? nullptr : &*it;
}

}  // namespace

Outcome RemovePrinter(plat::Platform& platform, const std::string& printerName,
                       const std::string& environment, CRunLog& log) {
    plat::ISpooler& spooler = platform.spooler;
    const plat::PrinterDefaults defaults{"RAW", plat::kPrinterAllAccess};
    plat::Handle printer = spooler.OpenPrinterA(printerName, defaults);
    if (printer == nullptr) {
        log.Write("remove: there is no printer \"" + printerName + "\": nothing to remove");
        return Outcome::kNoSuchPrinter;
    }
    std::string driver;
    if (const auto before = ListPrinters(spooler)) {
        const plat::PrinterInfo2* entry = FindPrinter(
            *before, [&](const plat::PrinterInfo2& p) { return SameName(p.printerName, printerName); });
        if (entry != nullptr) driver = entry->driverName;
    }
    // Jobs go first; a spooler that cannot purge still deletes the printer.
    spooler.SetPrinterA(printer, 0, plat::kPrinterControlPurge);
    const bool deleted = spooler.DeletePrinter(printer);
    spooler.ClosePrinter(printer);
    if (!deleted) {
        log.Write("remove: the spooler kept the printer \"" + printerName + "\"");
        return Outcome::kRemovalRefused;
    }
    log.Write("remove: printer \"" + printerName + "\" deleted");
    if (driver.empty()) return Outcome::kDone;

    const auto left = ListPrinters(spooler);
    if (!left) {
        log.Write("remove: the printers cannot be listed, so the driver \"" + driver + "\" stays");
        return Outcome::kRemovalRefused;
    }
    bool refused = false;
    if (const plat::PrinterInfo2* user = FindPrinter(
            *left, [&](const plat::PrinterInfo2& p) { return SameName(p.driverName, driver); })) {
        log.Write("remove: driver \"" + driver + "\" stays: printer \"" + user->printerName + "\" uses it");
    } else if (spooler.DeletePrinterDriverA(environment, driver)) {
        log.Write("remove: driver \"" + driver + "\" deleted for \"" + environment + "\"");
    } else if (platform.system.GetLastError() == plat::err::kUnknownPrinterDriver) {
        log.Write("remove: driver \"" + driver + "\" is not installed for \"" + environment + "\"");
    } else {
        refused = true;
    }

    if (!IsLabelDriver(driver)) return refused ? Outcome::kRemovalRefused : Outcome::kDone;
    if (const plat::PrinterInfo2* label = FindPrinter(
            *left, [](const plat::PrinterInfo2& p) { return IsLabelDriver(p.driverName); })) {
        log.Write(std::string("remove: \"") + kLanguageMonitor + "\" stays: label printer \"" +
                  label->printerName + "\" uses it");
    } else if (spooler.DeleteMonitorA(environment, kLanguageMonitor)) {
        log.Write(std::string("remove: \"") + kLanguageMonitor + "\" deleted");
    } else if (platform.system.GetLastError() != plat::err::kUnknownPrintMonitor) {
        refused = true;
    }
    return refused ? Outcome::kRemovalRefused : Outcome::kDone;
}
