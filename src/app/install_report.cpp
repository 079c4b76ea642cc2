#include "app/install_report.h"

const char* Describe(InstallOutcome outcome) {
    switch (outcome) {
    case InstallOutcome::kNotFinished: return "the installation did not come to its end";
    case InstallOutcome::kInstalled: return "installed on the port found or chosen";
    case InstallOutcome::kFallbackPort: return "installed, but no port answered: the printer is on a fallback port";
    case InstallOutcome::kUnknownDriver: return "the driver is not known to this installer";
    case InstallOutcome::kNoSuchPort: return "there is no port of the kind asked for";
    case InstallOutcome::kPortNotChosen: return "no port was chosen";
    case InstallOutcome::kDriverRefused: return "the spooler refused the driver";
    case InstallOutcome::kMonitorRefused: return "the spooler refused the language monitor";
    case InstallOutcome::kPrinterNotCreated: return "the printer could not be created";
    case InstallOutcome::kStepFailed: return "a step of the installation failed";
    }
    return "unknown outcome";
}

const char* Describe(StepFailure failure) {
    switch (failure) {
    case StepFailure::kDriverFolderUnknown: return "the spooler named no printer driver folder";
    case StepFailure::kFolderTooLong: return "a folder is too long for this installer";
    case StepFailure::kSystemFolderUnknown: return "the folder of the language monitor could not be found";
    case StepFailure::kDefaultPrinterNotSet: return "the default printer could not be set";
    case StepFailure::kPrinterPortNotWritten: return "a printer's port could not be written";
    case StepFailure::kPortSettingsNotWritten: return "the serial port's settings could not be written";
    case StepFailure::kSpoolerStateUnknown: return "the spooler's state could not be read, so it was not restarted";
    case StepFailure::kSpoolerTimedOut: return "the spooler did not reach the state asked for in time";
    }
    return "unknown step";
}
