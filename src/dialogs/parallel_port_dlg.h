// The dialog in which the user picks the parallel port of a new printer.
#pragma once

#include "app/controls.h"
#include "app/dialog.h"
#include "platform/platform.h"
#include "resources/resource.h"

class CParallelPortDlg : public CDialog {
public:
    explicit CParallelPortDlg(plat::Platform& platform);

    // Run it with DoModalChild. Its result: PORT_CHOICE_BASE + the chosen
    // row, where row i is entry i of the installer's parallel port list as
    // the spooler reports it now; 0 for "&Ok" with no row selected;
    // PORT_CHOICE_CANCEL for "&Cancel" and the close box; 1 for Enter and
    // 2 for Escape (the dialog leaves those two to the framework).
    bool OnInitDialog() override;
    void OnCommand(int id, int notifyCode) override;
    void OnClose() override;

    // Lists the parallel ports again; row 0 ends selected.
    void FillPortList();

    CListCtrl m_lstPorts{IDC_PORT_LIST};

private:
    void OnChoose();
    void OnDismiss();

    plat::ISpooler& m_spooler;
};
