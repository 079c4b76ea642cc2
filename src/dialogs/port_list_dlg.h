// What both port dialogs share: the list of the system's ports of one kind,
// the choice of a row, and the dismissal.
#pragma once

#include "app/controls.h"
#include "app/dialog.h"
#include "platform/platform.h"
#include "ports/port_kinds.h"
#include "resources/resource.h"

class CPortListDlg : public CDialog {
public:
    // Run it with DoModalChild. Its result: PORT_CHOICE_BASE + the chosen
    // row, where row i is entry i of the installer's list of the dialog's
    // kind of port as the spooler reports it now; 0 for OK with no row
    // selected; PORT_CHOICE_CANCEL for Cancel and the close box; 1 for Enter
    // and 2 for Escape (left to the framework).
    bool OnInitDialog() override;
    void OnCommand(int id, int notifyCode) override;
    void OnClose() override;

    // Rebuilds the list from the spooler: every row and column goes, then
    // the columns "Port" and "Description" come back with one row per port
    // of the dialog's kind, and row 0 is selected without the focus. The
    // rows are the ports SortPorts puts in the installer's list of that kind,
    // in the same order (so only among the first kMaxPortRecords), which
    // makes a row also an index into that list. A failed enumeration leaves
    // the list empty.
    void FillPortList();

    CListCtrl m_lstPorts{IDC_PORT_LIST};

protected:
    CPortListDlg(plat::Platform& platform, int templateId, PortClass kind);

    // OK: ends the dialog with the first selected row's code, or 0.
    virtual void OnChoose();
    void OnDismiss();
    // The first selected row, or -1 when no row is selected or there is none.
    int FirstSelectedRow() const;
    // Selects `row` (not focused); a row that does not exist changes nothing.
    void SelectRow(int row) const;

    plat::ISpooler& m_spooler;

private:
    PortClass m_kind;
};
