// What an installation did, as the code that ran it knows it: how it ended,
// which of its steps failed on the way, and where it left the printer. The
// dialog shows its boxes as ever; whoever drives it (the unattended run)
// reads this instead of the boxes' texts.
#pragma once

#include <string>
#include <vector>

enum class InstallOutcome {
    kNotFinished,        // still running (a port probe goes on), or never came to its end
    kInstalled,          // on the port found, chosen, or the only one there is
    kFallbackPort,       // installed, but no port answered: left on a fallback port
    kUnknownDriver,      // the driver chosen is not known to this installer
    kNoSuchPort,         // the chosen kind has no port to use
    kPortNotChosen,      // the port dialog was left without a port
    kDriverRefused,      // the spooler refused the driver
    kMonitorRefused,     // the spooler refused the language monitor
    kPrinterNotCreated,  // the spooler refused the printer, or there was no port to create it on
    kStepFailed,         // a step the installation needs could not be done (StepFailure)
};

// Steps that fail without ending the installation at once, or that end it
// as kStepFailed.
enum class StepFailure {
    kDriverFolderUnknown,    // the spooler named no driver folder
    kFolderTooLong,          // a folder does not fit the installer's paths
    kSystemFolderUnknown,    // the monitor's folder could not be named
    kDefaultPrinterNotSet,   // "Device" could not be written
    kPrinterPortNotWritten,  // a printer's port could not be written
    kPortSettingsNotWritten, // a serial port's settings could not be written
    kSpoolerStateUnknown,    // the spooler's state could not be read: not restarted
    kSpoolerTimedOut,        // the spooler did not reach the state asked for in time
};

struct InstallReport {
    InstallOutcome outcome = InstallOutcome::kNotFinished;
    std::vector<StepFailure> failures;  // each kind once, in the order they first happened
    std::string printer;
    std::string driver;
    std::string environment;
    std::string port;            // the port the printer was last put on
    bool portConfirmed = false;  // a printer answered there, or the port was chosen or the only one
    bool defaultPrinter = false; // it was made the default printer
};

// "the spooler refused the driver", ... for logs.
const char* Describe(InstallOutcome outcome);
const char* Describe(StepFailure failure);
