#include "dialogs/parallel_port_dlg.h"

#include "dialogs/port_choice_codes.h"
#include "dialogs/port_list.h"

CParallelPortDlg::CParallelPortDlg(plat::Platform& platform)
    : CDialog(platform.ui, IDD_PARALLEL_PORT_DIALOG), m_spooler(platform.spooler) {}

bool CParallelPortDlg::OnInitDialog() {
    m_lstPorts.Bind(m_pWnd);
    CDialog::OnInitDialog();
    FillPortList();
    return true;  // the focus goes to the first tab stop: the list
}

void CParallelPortDlg::OnCommand(int id, int notifyCode) {
    if (id == IDC_CHOOSE_PORT && notifyCode == plat::kBnClicked) {
        OnChoose();
    } else if (id == IDC_DISMISS_PORT && notifyCode == plat::kBnClicked) {
        OnDismiss();
    } else {
        CDialog::OnCommand(id, notifyCode);
    }
}

void CParallelPortDlg::OnClose() { OnDismiss(); }

void CParallelPortDlg::FillPortList() { ::FillPortList(m_lstPorts, m_spooler, PortClass::kParallel); }

void CParallelPortDlg::OnChoose() {
    const int row = FirstSelectedRow(m_lstPorts);
    EndDialog(row < 0 ? 0 : PORT_CHOICE_BASE + row);
}

void CParallelPortDlg::OnDismiss() { EndDialog(PORT_CHOICE_CANCEL); }
