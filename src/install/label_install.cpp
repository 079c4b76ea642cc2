// Label printers need their language monitor, which this version does not
// install yet: the user is told so and nothing is changed.
#include "app/installer_dlg.h"

void CInstallerDlg::InstallLabelPrinter() {
    if (m_pWnd != nullptr) {
        m_pWnd->MessageBoxA("This version cannot install label printers yet.", AppTitle(),
                            plat::kMbOk | plat::kMbIconWarning);
    }
    m_btnInstall.EnableWindow(true);
}
