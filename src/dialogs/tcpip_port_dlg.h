// The dialog in which the user picks the TCP/IP port of a new printer, and
// adds, configures or deletes such ports through the spooler.
#pragma once

#include "app/controls.h"
#include "app/dialog.h"
#include "platform/platform.h"
#include "resources/resource.h"

// The port monitor that creates standard TCP/IP ports.
constexpr const char* kTcpipPortMonitorName = "Standard TCP/IP Port";

class CTcpipPortDlg : public CDialog {
public:
    explicit CTcpipPortDlg(plat::Platform& platform);

    // Run it with DoModalChild. Its result: PORT_CHOICE_BASE + the chosen
    // row, where row i is entry i of the installer's TCP/IP port list as the
    // spooler reports it now; 0 for "OK" with no row selected;
    // PORT_CHOICE_CANCEL for "Cancel" and the close box; 1 for Enter and 2
    // for Escape (the dialog leaves those two to the framework). "OK" on an
    // empty list keeps the dialog open.
    bool OnInitDialog() override;
    void OnCommand(int id, int notifyCode) override;
    void OnClose() override;

    // Lists the TCP/IP ports again; row 0 ends selected.
    void FillPortList();

    CListCtrl m_lstPorts{IDC_PORT_LIST};

private:
    void OnAddPort();
    void OnConfigurePort();
    void OnDeletePort();
    void OnChoose();
    void OnDismiss();
    // A box owned by the dialog with only an OK button.
    void Tell(const char* text, const char* caption);
    plat::WindowHandle Owner() const;

    plat::ISpooler& m_spooler;
    plat::ISystem& m_system;
};
