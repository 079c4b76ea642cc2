#include "unattended/outcomes.h"

const OutcomeInfo kOutcomes[] = {
    {Outcome::kDone, "done", kExitDone, "installed on the port found or chosen, listed, or removed"},
    {Outcome::kFallbackPort, "fallback-port", kExitDone,
     "installed, but no port answered: left on a fallback port (1603 with /requireport)"},
    {Outcome::kNoSuchPrinter, "no-such-printer", kExitDone, "no printer of that name: nothing to remove"},
    {Outcome::kFound, "found", kExitDone, "/verify: the printer is there as asked"},
    {Outcome::kNotFound, "not-found", kExitNotFound, "/verify: the printer is not there as asked"},
    {Outcome::kBadCommandLine, "bad-command-line", kExitBadCommandLine, "bad command line: nothing done"},
    {Outcome::kUnknownDriver, "unknown-driver", kExitBadCommandLine,
     "the driver name is not in the driver package: nothing installed"},
    {Outcome::kNoPackage, "no-package", kExitFailed,
     "DriverData.Drv or 7-zip32.dll is missing or unreadable: nothing installed"},
    {Outcome::kDriverRefused, "driver-refused", kExitFailed, "the spooler refused the driver"},
    {Outcome::kMonitorRefused, "monitor-refused", kExitFailed, "the spooler refused the language monitor"},
    {Outcome::kPrinterNotCreated, "printer-not-created", kExitFailed, "the printer could not be created"},
    {Outcome::kNoSuchPort, "no-such-port", kExitFailed,
     "the port asked for is not there and could not be made: nothing installed"},
    {Outcome::kRemovalRefused, "removal-refused", kExitFailed,
     "the spooler refused to delete the printer, its driver or the monitor"},
    {Outcome::kStepFailed, "step-failed", kExitFailed,
     "installed, but a step failed (default printer, port, spooler): see the log"},
    {Outcome::kNotFinished, "not-finished", kExitFailed, "the run ended before it finished"},
    {Outcome::kCancelled, "cancelled", kExitCancelled, "the installer's window was closed: not finished"},
    {Outcome::kBusy, "busy", kExitBusy, "another installation by this installer is running: nothing done"},
    {Outcome::kNoRights, "no-rights", kExitNoRights,
     "the run lacks the rights to install printer drivers: nothing done"},
};
const std::size_t kOutcomeCount = sizeof kOutcomes / sizeof kOutcomes[0];

const OutcomeInfo& Info(Outcome outcome) {
    for (const OutcomeInfo& info : kOutcomes) {
        if (info.outcome == outcome) return info;
    }
    return Info(Outcome::kNotFinished);
}

Outcome OutcomeOf(const InstallReport& report, bool closedByPerson) {
    switch (report.outcome) {
    case InstallOutcome::kInstalled: return report.failures.empty() ? Outcome::kDone : Outcome::kStepFailed;
    case InstallOutcome::kFallbackPort:
        return report.failures.empty() ? Outcome::kFallbackPort : Outcome::kStepFailed;
    case InstallOutcome::kUnknownDriver: return Outcome::kUnknownDriver;
    // Nobody but the answers of this run leaves a port dialog without a
    // port, and they do only when the port asked for is not offered.
    case InstallOutcome::kNoSuchPort:
    case InstallOutcome::kPortNotChosen: return Outcome::kNoSuchPort;
    case InstallOutcome::kDriverRefused: return Outcome::kDriverRefused;
    case InstallOutcome::kMonitorRefused: return Outcome::kMonitorRefused;
    case InstallOutcome::kPrinterNotCreated: return Outcome::kPrinterNotCreated;
    case InstallOutcome::kStepFailed: return Outcome::kStepFailed;
    case InstallOutcome::kNotFinished: break;
    }
    return closedByPerson ? Outcome::kCancelled : Outcome::kNotFinished;
}

int ExitCodeOf(Outcome outcome, bool requirePort) {
    if (outcome == Outcome::kFallbackPort && requirePort) return kExitFailed;
    return Info(outcome).exitCode;
}

namespace {
// How bad an exit code is: success, a cancel, a failure, then the refusals
// that stop a run before it starts.
int Rank(int exitCode) {
    switch (exitCode) {
    case kExitDone: return 0;
    case kExitNotFound: return 1;
    case kExitCancelled: return 2;
    case kExitFailed: return 3;
    default: return 4;
    }
}
}  // namespace

Outcome Worse(Outcome a, Outcome b, bool requirePort) {
    return Rank(ExitCodeOf(b, requirePort)) > Rank(ExitCodeOf(a, requirePort)) ? b : a;
}
