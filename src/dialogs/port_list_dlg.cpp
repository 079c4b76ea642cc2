#include "dialogs/port_list_dlg.h"

#include <algorithm>
#include <vector>

#include "dialogs/port_choice_codes.h"

CPortListDlg::CPortListDlg(plat::Platform& platform, int templateId, PortClass kind)
    : CDialog(platform.ui, templateId), m_spooler(platform.spooler), m_kind(kind) {}

bool CPortListDlg::OnInitDialog() {
    m_lstPorts.Bind(m_pWnd);
    CDialog::OnInitDialog();
    FillPortList();
    return true;  // the focus goes to the first tab stop: the list
}

void CPortListDlg::OnCommand(int id, int notifyCode) {
    if (id == IDC_CHOOSE_PORT && notifyCode == plat::kBnClicked) {
        OnChoose();
    } else if (id == IDC_DISMISS_PORT && notifyCode == plat::kBnClicked) {
        OnDismiss();
    } else {
        CDialog::OnCommand(id, notifyCode);
    }
}

void CPortListDlg::OnClose() { OnDismiss(); }

void CPortListDlg::FillPortList() {
    m_lstPorts.DeleteAllItems();
    for (int columns = m_lstPorts.GetHeaderItemCount(); columns > 0; --columns) {
        m_lstPorts.DeleteColumn(0);
    }

    std::vector<plat::PortInfo2> records;
    if (!m_spooler.EnumPortsA(2, &records)) records.clear();

    ApplyPortListStyle(m_lstPorts);
    m_lstPorts.InsertColumn(0, "Port", plat::kLvcfmtLeft);
    m_lstPorts.InsertColumn(1, "Description", plat::kLvcfmtLeft);
    m_lstPorts.SetColumnWidth(0, 125);
    m_lstPorts.SetColumnWidth(1, 300);

    const std::size_t count = std::min(records.size(), kMaxPortRecords);
    int row = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const plat::PortInfo2& port = records[i];
        if (ClassifyPort(port.portName, port.description) != m_kind) continue;
        m_lstPorts.InsertItem(row, port.portName);
        m_lstPorts.SetItemText(row, 1, port.description);
        ++row;
    }
    SelectRow(0);
}

void CPortListDlg::OnChoose() {
    const int row = FirstSelectedRow();
    EndDialog(row < 0 ? 0 : PORT_CHOICE_BASE + row);
}

void CPortListDlg::OnDismiss() { EndDialog(PORT_CHOICE_CANCEL); }

int CPortListDlg::FirstSelectedRow() const {
    const int count = m_lstPorts.GetItemCount();
    for (int row = 0; row < count; ++row) {
        if ((m_lstPorts.GetItemState(row, plat::kLvisSelected) & plat::kLvisSelected) != 0) return row;
    }
    return -1;
}

void CPortListDlg::SelectRow(int row) const {
    m_lstPorts.SetItemState(row, plat::kLvisSelected, plat::kLvisSelected | plat::kLvisFocused);
}
