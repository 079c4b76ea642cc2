// The port-type list: the four kinds of port the user chooses from.
#include "app/installer_dlg.h"
#include "ports/port_kinds.h"

void CInstallerDlg::FillPortTypeList() {
    m_lstPort.DeleteAllItems();
    for (int columns = m_lstPort.GetHeaderItemCount(); columns > 0; --columns) {
        m_lstPort.DeleteColumn(0);
    }
    ApplyPortListStyle(m_lstPort);
    m_lstPort.InsertColumn(0, "Port", plat::kLvcfmtLeft);
    m_lstPort.InsertColumn(1, "Description", plat::kLvcfmtLeft);
    m_lstPort.SetColumnWidth(0, 110);
    m_lstPort.SetColumnWidth(1, 525);
    for (int row = 0; row < kPortKindCount; ++row) {
        m_lstPort.InsertItem(row, kPortKinds[row].name);
        m_lstPort.SetItemText(row, 1, kPortKinds[row].description);
    }
    m_lstPort.SetItemState(kPortSerial, plat::kLvisSelected,
                           plat::kLvisSelected | plat::kLvisFocused);
}

void ApplyPortListStyle(const CListCtrl& list) {
    std::uint32_t style = list.GetExtendedStyle();
    style &= ~plat::kLvsExTrackSelect;
    style |= plat::kLvsExFullRowSelect | plat::kLvsExGridLines;
    list.SetExtendedStyle(style);
}
