// What a run from the command line ended with: one outcome, named in the
// log's last line and the result file, and the exit code it gives. The
// codes are those deployment systems read: 0 done, 1602 cancelled, 1603 a
// fatal failure, 1618 another installation runs, 1639 a bad command line,
// 740 not the rights to install; /verify answers 0 or 1.
#pragma once

#include <cstddef>

#include "app/install_report.h"

enum class Outcome {
    kDone,              // installed on the port found or chosen; listed; removed
    kFallbackPort,      // installed, but no port answered: left on a fallback port
    kNoSuchPrinter,     // /remove: there is no such printer, nothing to do
    kFound,             // /verify: the printer is there as asked
    kNotFound,          // /verify: it is not, or not as asked
    kBadCommandLine,
    kUnknownDriver,     // the driver name is not in the package
    kNoPackage,         // the package or the archiver library is missing or unreadable
    kDriverRefused,
    kMonitorRefused,
    kPrinterNotCreated,
    kNoSuchPort,        // the port asked for does not exist, or could not be made
    kRemovalRefused,
    kStepFailed,        // installed, but a step failed (default printer, port, spooler)
    kNotFinished,       // the run ended before it finished (a wait ran out, a step failed)
    kCancelled,         // a person closed the window
    kBusy,              // another installation by this installer is running
    kNoRights,          // the run lacks the rights to install printer drivers
};

constexpr int kExitDone = 0;
constexpr int kExitNotFound = 1;
constexpr int kExitCancelled = 1602;
constexpr int kExitFailed = 1603;
constexpr int kExitBusy = 1618;
constexpr int kExitBadCommandLine = 1639;
constexpr int kExitNoRights = 740;

struct OutcomeInfo {
    Outcome outcome;
    const char* name;  // "driver-refused"
    int exitCode;
    const char* text;  // "the spooler refused the driver"
};

// Every outcome once.
extern const OutcomeInfo kOutcomes[];
extern const std::size_t kOutcomeCount;

const OutcomeInfo& Info(Outcome outcome);
// The exit code; with /requireport a printer left on a fallback port fails.
int ExitCodeOf(Outcome outcome, bool requirePort);
// What an installation's report means for a run: installed, on a fallback
// port, or the failure it names; a report without an end is a cancel when a
// person closed the window.
Outcome OutcomeOf(const InstallReport& report, bool closedByPerson);
// Of two outcomes, the one whose exit code is worse (a failure over a
// cancel over success); `a` when they are alike.
Outcome Worse(Outcome a, Outcome b, bool requirePort);
