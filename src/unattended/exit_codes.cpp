#include "unattended/exit_codes.h"

const char* Describe(ExitCode code) {
    static const char* const kTexts[kExitCodeCount] = {
        "done: installed on the port found or chosen, listed, or removed",
        "installed, but no port answered: the printer is on a fallback port",
        "bad command line: nothing done",
        "the driver name is not in the driver package: nothing installed",
        "DriverData.Drv or 7-zip32.dll is missing or unreadable: nothing installed",
        "the spooler refused the driver",
        "the spooler refused the language monitor",
        "the printer could not be created",
        "the port asked for does not exist: nothing installed",
        "no printer of that name: nothing removed",
        "the spooler refused to delete the printer, its driver or the monitor",
        "the run ended before it finished (window closed, or a step failed)",
    };
    const int index = static_cast<int>(code);
    return index >= 0 && index < kExitCodeCount ? kTexts[index] : "unknown outcome";
}
