#include "dialogs/port_list.h"

#include <vector>

void FillPortList(const CListCtrl& list, plat::ISpooler& spooler, PortClass kind) {
    list.DeleteAllItems();
    for (int columns = list.GetHeaderItemCount(); columns > 0; --columns) list.DeleteColumn(0);

    std::vector<plat::PortInfo2> records;
    if (!spooler.EnumPortsA(2, &records)) records.clear();

    ApplyPortListStyle(list);
    list.InsertColumn(0, "Port", plat::kLvcfmtLeft);
    list.InsertColumn(1, "Description", plat::kLvcfmtLeft);
    list.SetColumnWidth(0, 125);
    list.SetColumnWidth(1, 300);

    const std::size_t count = std::min(records.size(), kMaxPortRecords);
    int row = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const plat::PortInfo2& port = records[i];
        if (ClassifyPort(port.portName, port.description) != kind) continue;
        list.InsertItem(row, port.portName);
        list.SetItemText(row, 1, port.description);
        ++row;
    }
    SelectPortRow(list, 0);
}

int FirstSelectedRow(const CListCtrl& list) {
    const int count = list.GetItemCount();
    for (int row = 0; row < count; ++row) {
        if ((list.GetItemState(row, plat::kLvisSelected) & plat::kLvisSelected) != 0) return row;
    }
    return -1;
}

void SelectPortRow(const CListCtrl& list, int row) {
    list.SetItemState(row, plat::kLvisSelected, plat::kLvisSelected | plat::kLvisFocused);
}
