// What a run from the command line ended with: one exit code per outcome,
// with the sentence the usage text, the log and the README give for it.
#pragma once

enum class ExitCode : int {
    kDone = 0,              // installed on the port found or chosen; listed; removed
    kFallbackPort = 1,      // installed, but no port answered: left on a fallback port
    kBadCommandLine = 2,
    kUnknownDriver = 3,     // the driver name is not in the package
    kNoPackage = 4,         // the package or the archiver library is missing or unreadable
    kDriverRefused = 5,
    kMonitorRefused = 6,
    kPrinterNotCreated = 7,
    kNoSuchPort = 8,        // the port asked for does not exist; nothing installed
    kNoSuchPrinter = 9,     // /remove: nothing changed
    kRemovalRefused = 10,
    kNotFinished = 11,      // the run ended before it finished
};

constexpr int kExitCodeCount = 12;

// "installed, the printer is on the port found or chosen", ...
const char* Describe(ExitCode code);
