// Asks whether the installer should look for the serial port the printer
// is on, and at which baud rate. Hands back only its end result:
//   PORT_CHOICE_BASE + i  "&Yes", search at the rate of entry i of
//                         kBaudRates (0x1205 is 19200)
//   PORT_CHOICE_CANCEL    "&No"
//   IDOK, IDCANCEL        Enter, Escape or the close box (no search)
#pragma once

#include "app/controls.h"
#include "app/dialog.h"
#include "resources/resource.h"

class CSerialPromptDlg : public CDialog {
public:
    static constexpr const char* kBaudRates[] = {"300",   "1200",  "2400",  "4800",  "9600",
                                                 "19200", "38400", "57600", "115200"};
    static constexpr int kBaudRateCount = 9;
    static constexpr int kPreselected = 5;  // "19200"

    explicit CSerialPromptDlg(plat::IUserInterface& ui) : CDialog(ui, IDD_SERIAL_PROMPT) {}

    bool OnInitDialog() override;
    void OnCommand(int id, int notifyCode) override;

    CComboBox m_cboBaudRate{IDC_BAUD_RATE};
};
