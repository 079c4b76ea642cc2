// The dialog in which the user picks the TCP/IP port of a new printer, and
// adds, configures or deletes such ports through the spooler.
#pragma once

#include "dialogs/port_list_dlg.h"

// The port monitor that creates standard TCP/IP ports.
constexpr const char* kTcpipPortMonitorName = "Standard TCP/IP Port";

class CTcpipPortDlg : public CPortListDlg {
public:
    // Its results are those of CPortListDlg; "OK" on an empty list keeps
    // the dialog open.
    explicit CTcpipPortDlg(plat::Platform& platform);

    void OnCommand(int id, int notifyCode) override;

protected:
    void OnChoose() override;

private:
    void OnAddPort();
    void OnConfigurePort();
    void OnDeletePort();
    // A box owned by the dialog with only an OK button.
    void Tell(const char* text, const char* caption);
    plat::WindowHandle Owner() const;

    plat::ISystem& m_system;
};
