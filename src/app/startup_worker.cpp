// The start-up worker: readies the spooler, lists the ports, unpacks the
// driver package, fills the driver list and shows the system, then lets the
// user install.
#include <functional>

#include "app/installer_dlg.h"

void CInstallerDlg::StartupThreadProc(CInstallerDlg* dialog) { dialog->RunStartup(); }

void CInstallerDlg::RunStartup() {
    const std::function<void()> steps[] = {
        [this] { RestartService("Spooler", plat::RestartMode::kEnsureRunning); },
        [this] { EnumeratePorts(); },
        [this] { ReadDriverPackage(); },
        [this] { FillDriverList(); },
        [this] { DetectSystem(); },
    };
    // A dialog that is closing is left alone: it waits for this thread
    // before it removes the working files and goes away.
    for (const auto& step : steps) {
        if (m_bClosing) break;
        step();
    }
    // With no driver to choose, Install would have no catalogue entry to
    // work on, so the button stays disabled.
    if (!m_bClosing && m_cboDriver.GetCount() > 0) m_btnInstall.EnableWindow(true);
    m_bStartupDone = true;
}
