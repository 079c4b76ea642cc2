#include "dialogs/serial_prompt_dlg.h"

#include "app/installer_dlg.h"

bool CSerialPromptDlg::OnInitDialog() {
    m_cboBaudRate.Bind(m_pWnd);
    CDialog::OnInitDialog();
    for (const char* rate : kBaudRates) m_cboBaudRate.AddString(rate);
    m_cboBaudRate.SetCurSel(kPreselected);
    return true;
}

void CSerialPromptDlg::OnCommand(int id, int notifyCode) {
    if (id == IDC_SERIAL_YES && notifyCode == plat::kBnClicked) {
        // A drop-down list always has a selection; should it have none, the
        // answer is still a rate of the list.
        const int index = m_cboBaudRate.GetCurSel();
        EndDialog(PORT_CHOICE_BASE + (index >= 0 && index < kBaudRateCount ? index : kPreselected));
        return;
    }
    if (id == IDC_SERIAL_NO && notifyCode == plat::kBnClicked) {
        EndDialog(PORT_CHOICE_CANCEL);
        return;
    }
    CDialog::OnCommand(id, notifyCode);
}
