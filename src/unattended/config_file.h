// The file of /config: the printers one run installs, one [Printer.N]
// section each, in file order:
//   [Printer.1]
//   Driver=SK200K8
//   Name=Front desk
//   Port=usb
//   Default=yes
// Keys compare without case; ';' and '#' begin a comment line.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "unattended/printer_request.h"

struct ConfigFile {
    std::vector<PrinterRequest> printers;
    // The first fault, "line 4: unknown key \"Colour\" ...", or "".
    std::string error;
};

// A /config file is read whole; one larger than this is refused.
constexpr std::size_t kMaxConfigFileSize = 64 * 1024;

// The printers of `text`, or the first fault naming its line. A printer
// becomes the default printer only with Default=yes, and at most one does.
ConfigFile ParseConfigFile(const std::string& text);
