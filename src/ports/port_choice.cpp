// The port the user picks for a parallel or TCP/IP printer. The port dialogs
// are not part of this version yet: the user is told so and the choice counts
// as cancelled, so nothing is installed on a port nobody chose.
#include "app/installer_dlg.h"
#include "ports/port_kinds.h"

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

bool CInstallerDlg::ChoosePortForPrinter() {
    const std::vector<std::string>* list = nullptr;
    int choice = PORT_CHOICE_CANCEL;
    switch (m_nPortType) {
    case kPortTcpip:
        choice = SelectTcpipPort();
        list = &m_saTcpipPorts;
        break;
    case kPortParallel:
        choice = SelectParallelPort();
        list = &m_saParallelPorts;
        break;
    default:
        return true;
    }
    // The choice may have re-read the lists, so they are indexed only now. A
    // result that names no entry of the list counts as a cancelled choice.
    std::size_t index = list->size();
    if (choice == PORT_CHOICE_CREATED && m_nPortType == kPortTcpip) {
        index = 0;
    } else if (choice >= PORT_CHOICE_BASE && choice < PORT_CHOICE_CANCEL) {
        index = static_cast<std::size_t>(choice - PORT_CHOICE_BASE);
    }
    if (index >= list->size()) {
        m_btnInstall.EnableWindow(true);
        return false;
    }
    m_strPort = (*list)[index];
    return true;
}
