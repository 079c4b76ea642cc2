#include "app/installer_app.h"

#include "app/globals.h"
#include "app/installer_dlg.h"

CInstallerApp::CInstallerApp(plat::Platform& platform) : m_platform(platform) {}

bool CInstallerApp::InitInstance() {
    g_nMsgUpdateData = m_platform.ui.RegisterWindowMessageA(kUpdateDataMessageName);
    {
        CInstallerDlg dialog(m_platform);
        dialog.DoModal();
    }
    return false;
}
