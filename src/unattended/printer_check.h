// /verify: whether a printer is installed as asked, read from the spooler
// alone, so that a detection rule can ask without installing anything.
#pragma once

#include <string>

#include "platform/spooler.h"
#include "platform/system.h"

struct PrinterCheck {
    bool found = false;  // there, with the driver and on the port asked for
    std::string line;    // what was found, in one line
};

// Looks for printer `name` (without case) among the local printers; when
// `driver` or `port` is not empty the printer must have that driver (without
// case) and that port among its ports (SamePortName).
PrinterCheck CheckPrinter(plat::ISpooler& spooler, plat::ISystem& system, const std::string& name,
                          const std::string& driver, const std::string& port);
