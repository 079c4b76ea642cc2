// The parallel and TCP/IP port choice. The port dialogs are not part of this
// version yet: the user is told so and the choice counts as cancelled, so
// nothing is installed on a port nobody chose.
#include "app/installer_dlg.h"

namespace {
constexpr const char* kNotReady =
    "This version cannot set up parallel or TCP/IP ports yet.\r\n"
    "Please choose the USB port, or install the printer on this port with Windows.";
}  // namespace

int CInstallerDlg::SelectParallelPort() {
    if (m_pWnd != nullptr) m_pWnd->MessageBoxA(kNotReady, AppTitle(), plat::kMbOk);
    return PORT_CHOICE_CANCEL;
}

int CInstallerDlg::SelectTcpipPort() {
    if (m_pWnd != nullptr) m_pWnd->MessageBoxA(kNotReady, AppTitle(), plat::kMbOk);
    return PORT_CHOICE_CANCEL;
}
