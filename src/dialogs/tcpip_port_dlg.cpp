#include "dialogs/tcpip_port_dlg.h"

#include "app/box_texts.h"

namespace {
// ERROR_ADAP_HDW_ERR: the port monitor met a hardware error.
constexpr std::uint32_t kAdapterHardwareError = 57;
}  // namespace

CTcpipPortDlg::CTcpipPortDlg(plat::Platform& platform)
    : CPortListDlg(platform, IDD_TCPIP_PORT_DIALOG, PortClass::kTcpip), m_system(platform.system) {}

void CTcpipPortDlg::OnCommand(int id, int notifyCode) {
    if (notifyCode == plat::kBnClicked && id == IDC_ADD_PORT) {
        OnAddPort();
    } else if (notifyCode == plat::kBnClicked && id == IDC_CONFIGURE_PORT) {
        OnConfigurePort();
    } else if (notifyCode == plat::kBnClicked && id == IDC_DELETE_PORT) {
        OnDeletePort();
    } else {
        CPortListDlg::OnCommand(id, notifyCode);
    }
}

void CTcpipPortDlg::OnAddPort() {
    // The monitor's own window asks for the new port.
    const bool added = m_spooler.AddPortA(Owner(), kTcpipPortMonitorName);
    FillPortList();
    if (added) SelectRow(m_lstPorts.GetItemCount() - 1);
}

void CTcpipPortDlg::OnConfigurePort() {
    const int row = FirstSelectedRow();
    if (row < 0) return;
    // Only a failed call has a last error worth reading: after a success it
    // may still hold an older call's code.
    if (m_spooler.ConfigurePortA(Owner(), m_lstPorts.GetItemText(row, 0))) return;
    const std::uint32_t error = m_system.GetLastError();
    if (error == plat::err::kNotSupported) {
        Tell(kConfigureUnsupportedText, kConfigureUnsupportedCaption);
    } else if (error == kAdapterHardwareError) {
        Tell(kConfigureHardwareErrorText, kConfigureHardwareErrorCaption);
    }
}

void CTcpipPortDlg::OnDeletePort() {
    const int row = FirstSelectedRow();
    if (row >= 0 && !m_spooler.DeletePortA(Owner(), m_lstPorts.GetItemText(row, 0)) &&
        m_system.GetLastError() == plat::err::kNotSupported) {
        Tell(kDeleteUnsupportedText, kDeleteUnsupportedCaption);
    }
    FillPortList();
}

void CTcpipPortDlg::OnChoose() {
    if (m_lstPorts.GetItemCount() == 0) {
        Tell(kNoTcpipPortText, kPromptCaption);
        return;
    }
    CPortListDlg::OnChoose();
}

void CTcpipPortDlg::Tell(const char* text, const char* caption) {
    ShowBox(text, caption, plat::kMbOk);
}

plat::WindowHandle CTcpipPortDlg::Owner() const {
    return m_pWnd != nullptr ? m_pWnd->GetSafeHwnd() : nullptr;
}
