// A run of the installer that nobody attends: the installer dialog starts as
// usual, and a driver thread waits for its start-up, sets the driver box,
// the printer name, the default-printer box and the port row from the
// request, presses Install and, once the installation and any port probe
// are over, Finish; or lists the drivers, or removes a printer. Every box
// and modal child is answered by CAnsweringUserInterface.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "app/installer_dlg.h"
#include "platform/command_line_host.h"
#include "platform/platform.h"
#include "unattended/answering_ui.h"
#include "unattended/command_line.h"
#include "unattended/exit_codes.h"
#include "unattended/run_log.h"

class CUnattendedRun {
public:
    CUnattendedRun(plat::Platform& platform, plat::ICommandLineHost& host, CRunLog& log,
                   const CommandRequest& request);

    // Runs the dialog on the calling thread until it ends; returns what
    // happened.
    ExitCode Run();

    // Bounds of the driver's waits.
    static constexpr std::chrono::seconds kDialogWait{60};
    static constexpr std::chrono::seconds kStartupWait{600};
    static constexpr std::chrono::seconds kProbeWait{600};
    static constexpr std::chrono::seconds kEndWait{180};

private:
    ExitCode Drive(CAnsweringUserInterface& ui, CInstallerDlg& dialog, plat::Platform& platform);
    // The steps, on the dialog's thread.
    ExitCode Begin(CAnsweringUserInterface& ui, CInstallerDlg& dialog, plat::Platform& platform,
                   bool* installing);
    ExitCode StartInstall(plat::IDialogWindow& window, CInstallerDlg& dialog,
                          const std::vector<std::string>& drivers, bool* installing);
    // The port-kind row to install on, or -1 (the log says why).
    int ChoosePortRow(plat::IDialogWindow& window, CInstallerDlg& dialog);
    ExitCode Conclude(CAnsweringUserInterface& ui, CInstallerDlg& dialog);
    void ListDrivers(const std::vector<std::string>& drivers);

    plat::Platform& m_platform;
    plat::ICommandLineHost& m_host;
    CRunLog& m_log;
    const CommandRequest m_request;
};
