// A run of the installer that nobody attends: the installer dialog starts as
// usual, and a driver thread waits for its start-up, then lists the
// drivers, removes a printer, or installs each printer asked for in turn:
// sets the driver box, the printer name, the default-printer box and the
// port row, presses Install and waits until the installation reports how it
// ended (a serial probe included); at the end it presses Finish. Every box
// and modal child is answered by CAnsweringUserInterface; what happened
// comes from the installation's own report, never from a box's text.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "app/installer_dlg.h"
#include "platform/command_line_host.h"
#include "platform/platform.h"
#include "unattended/answering_ui.h"
#include "unattended/command_line.h"
#include "unattended/outcomes.h"
#include "unattended/result_file.h"
#include "unattended/run_log.h"

class CUnattendedRun {
public:
    // `printers`: what /install or the /config file asks for.
    CUnattendedRun(plat::Platform& platform, plat::ICommandLineHost& host, CRunLog& log,
                   const CommandRequest& request, std::vector<PrinterRequest> printers);

    // Runs the dialog on the calling thread until it ends; returns the
    // run's outcome, the worst of its printers' when it installed. The
    // printers' own outcomes are in Printers() afterwards.
    Outcome Run();
    const std::vector<PrinterResult>& Printers() const { return m_results; }

    // Bounds of the driver's waits.
    static constexpr std::chrono::seconds kDialogWait{60};
    static constexpr std::chrono::seconds kStartupWait{600};
    static constexpr std::chrono::seconds kInstallWait{600};
    static constexpr std::chrono::seconds kEndWait{180};

private:
    Outcome Drive(CAnsweringUserInterface& ui, CInstallerDlg& dialog, plat::Platform& platform);
    // `outcome`, noted in the log when a person closed the window.
    Outcome Ended(Outcome outcome);
    // The steps, on the dialog's thread.
    // Lists, removes, or checks the printers against the package; nullopt
    // when the installations may begin.
    std::optional<Outcome> Begin(CAnsweringUserInterface& ui, CInstallerDlg& dialog, plat::Platform& platform);
    // Each printer's driver by its name in the package, a label printer
    // under its driver's name; the outcome of the first fault (logged), or
    // nullopt.
    std::optional<Outcome> MatchDrivers(CInstallerDlg& dialog, const std::vector<std::string>& drivers);
    // Sets the dialog up for printer `index` and presses Install; an
    // outcome when it is refused before that.
    std::optional<Outcome> StartInstall(CAnsweringUserInterface& ui, CInstallerDlg& dialog,
                                        plat::Platform& platform, std::size_t index);
    // The port-kind row to install on, or -1 (the log says why).
    int ChoosePortRow(plat::IDialogWindow& window, CInstallerDlg& dialog, const PrinterRequest& printer);
    // Installs printer `index` and waits for its end.
    Outcome InstallOne(CAnsweringUserInterface& ui, CInstallerDlg& dialog, plat::Platform& platform,
                       std::size_t index);
    void ListDrivers(const std::vector<std::string>& drivers);

    plat::Platform& m_platform;
    plat::ICommandLineHost& m_host;
    CRunLog& m_log;
    const CommandRequest m_request;
    std::vector<PrinterRequest> m_printers;
    std::vector<PrinterResult> m_results;
};
