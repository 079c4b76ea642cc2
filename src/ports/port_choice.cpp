// The port the user picks for a parallel or TCP/IP printer, before the
// printer is created.
#include "app/installer_dlg.h"
#include "dialogs/parallel_port_dlg.h"
#include "dialogs/tcpip_port_dlg.h"
#include "ports/port_kinds.h"

int CInstallerDlg::SelectParallelPort() {
    if (m_saParallelPorts.empty()) {
        ShowBox(kNoParallelPortText, AppTitle(), plat::kMbOk);
        return PORT_CHOICE_CANCEL;
    }
    if (m_saParallelPorts.size() == 1) return PORT_CHOICE_BASE;
    CParallelPortDlg dialog(m_platform);
    const std::intptr_t result = dialog.DoModalChild(*this);
    RefreshPortLists();
    return static_cast<int>(result);
}

int CInstallerDlg::SelectTcpipPort() {
    if (!m_saTcpipPorts.empty()) {
        CTcpipPortDlg dialog(m_platform);
        const std::intptr_t result = dialog.DoModalChild(*this);
        RefreshPortLists();
        return static_cast<int>(result);
    }
    // The monitor's own window asks for the new port.
    const bool added = m_platform.spooler.AddPortA(
        m_pWnd != nullptr ? m_pWnd->GetSafeHwnd() : nullptr, kTcpipPortMonitorName);
    RefreshPortLists();
    return added ? PORT_CHOICE_CREATED : PORT_CHOICE_CANCEL;
}

void CInstallerDlg::RefreshPortLists() {
    EnumeratePorts();
    // The enumeration proposes a port kind of its own; the user's choice
    // stays shown, so that a second Install runs with the same kind.
    m_lstPort.SetItemState(m_nPortType, plat::kLvisSelected,
                           plat::kLvisSelected | plat::kLvisFocused);
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
    // The choice may have re-read the lists, so they are indexed only now.
    // Anything but a created port or a row of the list (Cancel, OK with no
    // row, Enter, Escape, a dialog that could not open) counts as a
    // cancelled choice.
    std::size_t index = list->size();
    if (choice == PORT_CHOICE_CREATED && m_nPortType == kPortTcpip) {
        index = 0;
    } else if (choice >= PORT_CHOICE_BASE && choice < PORT_CHOICE_CANCEL) {
        index = static_cast<std::size_t>(choice - PORT_CHOICE_BASE);
    }
    if (index >= list->size()) {
        EndInstallation(list->empty() ? InstallOutcome::kNoSuchPort : InstallOutcome::kPortNotChosen);
        m_btnInstall.EnableWindow(true);
        return false;
    }
    m_strPort = (*list)[index];
    // A port the user picked is the printer's port for good.
    m_installReport.portConfirmed = true;
    return true;
}
