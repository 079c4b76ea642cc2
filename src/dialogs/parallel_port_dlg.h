// The dialog in which the user picks the parallel port of a new printer:
// the ports of the installer's parallel port list, "&Ok" and "&Cancel".
#pragma once

#include "dialogs/port_list_dlg.h"

class CParallelPortDlg : public CPortListDlg {
public:
    explicit CParallelPortDlg(plat::Platform& platform)
        : CPortListDlg(platform, IDD_PARALLEL_PORT_DIALOG, PortClass::kParallel) {}
};
