// The dialog as it opens and as the start-up worker fills it.
#include <gtest/gtest.h>

#include "app/box_texts.h"
#include "install_support.h"

namespace {

using namespace std::chrono_literals;

TEST(Startup, StatusEmptyAndInstallDisabledUntilTheWorkerEnds) {
    InstallerHarness h;
    Gate& gate = h.HoldAt("OpenSCManagerA");
    h.Record();
    sim::SimDialog& dlg = h.Start();
    ASSERT_TRUE(gate.WaitReached());
    ASSERT_TRUE(dlg.WaitIdle());
    EXPECT_EQ(dlg.Text(IDC_STATUS), "");
    EXPECT_FALSE(dlg.IsEnabled(IDC_INSTALL));
    EXPECT_EQ(dlg.Text(IDC_INSTALL), kInstallCaption);
    EXPECT_TRUE(dlg.IsChecked(IDC_SET_DEFAULT));
    EXPECT_EQ(dlg.ProgressPos(IDC_PROGRESS), 0);
    gate.Release();

    ASSERT_TRUE(h.WaitStartup());
    // The worker's steps in their order, each whatever the one before did.
    EXPECT_EQ(h.Recorded({"SetDlgItemTextA", "EnableDlgItem", "OpenSCManagerA", "StartServiceA",
                          "ControlService", "RegOpenKeyExA", "EnumPortsA", "LoadLibraryExA",
                          "SevenZip", "GetPrivateProfileSectionNamesA", "IsWow64Process",
                          "GetVersionExA"}),
              (Calls{Status(""), "OpenSCManagerA ServicesActive 0xF003F", "StartServiceA",
                     "RegOpenKeyExA HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM 0x20019", "EnumPortsA",
                     Status("Reading driver file..."), "LoadLibraryExA", "SevenZipSetOwnerWindowEx",
                     "SevenZip", "SevenZipKillOwnerWindowEx", "GetPrivateProfileSectionNamesA",
                     "SetDlgItemTextA 1001 SK200K8 Receipt", "IsWow64Process", "GetVersionExA",
                     Status("Current System is Microsoft Windows 7  64 bit"),
                     "EnableDlgItem 1012 1"}));
    EXPECT_EQ(dlg.ComboItems(IDC_DRIVER_COMBO),
              (std::vector<std::string>{"SK200K8 Receipt", "SK200K8 Second", "SK200350I8 Receipt"}));
    EXPECT_EQ(dlg.ComboSelection(IDC_DRIVER_COMBO), 0);
    EXPECT_EQ(dlg.Text(IDC_PRINTER_NAME), "SK200K8 Receipt");
    EXPECT_TRUE(dlg.IsEnabled(2));
    EXPECT_TRUE(dlg.Misuses().empty());
}

TEST(Startup, InitialisesTheMembers) {
    InstallerHarness h;
    h.Start();
    ASSERT_TRUE(h.WaitStartup());
    const CInstallerDlg& d = *h.dialog;
    EXPECT_EQ(d.m_nReceiptCount1 + d.m_nReceiptCount2 + d.m_nReceiptCount3 + d.m_nReceiptCount4, 30);
    EXPECT_EQ(d.m_nReceiptCount1, 15);
    EXPECT_EQ(d.m_nReceiptCount4, 3);
    EXPECT_EQ(d.m_nLabelCount, 5);
    EXPECT_EQ(d.m_nParity, 'N');
    EXPECT_EQ(d.m_nDataBits, 8);
    EXPECT_EQ(d.m_nStopBits, 1);
    EXPECT_EQ(d.m_dwCommEvents, 3u);
    EXPECT_EQ(d.m_nBaudRate, 19200);
    EXPECT_EQ(d.m_nPortType, 0);
    EXPECT_TRUE(d.m_bWow64);
    EXPECT_TRUE(d.m_bSetDefault);
}

TEST(Startup, PortTypeListHasItsFourRowsAndStyle) {
    InstallerHarness h;
    sim::SimDialog& dlg = h.Start();
    ASSERT_TRUE(h.WaitStartup());
    auto columns = dlg.ListColumns(IDC_PORT_LIST);
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[0].text, "Port");
    EXPECT_EQ(columns[0].width, 110);
    EXPECT_EQ(columns[1].text, "Description");
    EXPECT_EQ(columns[1].width, 525);
    ASSERT_EQ(dlg.ListItemCount(IDC_PORT_LIST), 4);
    const char* rows[][2] = {
        {"Serial port", "The program will select a available serial port during installation"},
        {"USB port", "The program will select a available USB port automatically"},
        {"Parallel port",
         "The program will prompt you to select a parallel port during installation"},
        {"TCP/IP port", "The program will prompt you to create a TCP/IP port or configure"},
    };
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(dlg.ListItemText(IDC_PORT_LIST, row, 0), rows[row][0]);
        EXPECT_EQ(dlg.ListItemText(IDC_PORT_LIST, row, 1), rows[row][1]);
    }
    const std::uint32_t style = dlg.ListExtendedStyle(IDC_PORT_LIST);
    EXPECT_EQ(style & 0x29u, 0x21u) << "full-row select and grid lines, no hover selection";
}

TEST(Startup, WithoutPackageTheListStaysEmptyAndInstallDisabled) {
    for (bool withLibrary : {true, false}) {
        SCOPED_TRACE(withLibrary ? "no package" : "no library");
        InstallerHarness h(/*withPackage=*/!withLibrary);
        if (!withLibrary) {
            h.win.files().DeleteFileA("C:\\dist\\7-zip32.dll");
        }
        sim::SimDialog& dlg = h.Start();
        ASSERT_TRUE(h.WaitStartup());
        EXPECT_TRUE(dlg.ComboItems(IDC_DRIVER_COMBO).empty());
        EXPECT_EQ(dlg.Text(IDC_PRINTER_NAME), "");
        EXPECT_FALSE(dlg.IsEnabled(IDC_INSTALL));
        EXPECT_EQ(dlg.Text(IDC_STATUS), "Current System is Microsoft Windows 7  64 bit");
        EXPECT_TRUE(dlg.IsEnabled(2)) << "the installer stays usable";
        EXPECT_TRUE(h.CloseAndWait());
    }
}

TEST(Startup, ChoosingAnotherDriverReplacesThePrinterName) {
    InstallerHarness h;
    sim::SimDialog& dlg = h.Start();
    ASSERT_TRUE(h.WaitStartup());
    ASSERT_TRUE(dlg.TypeText(IDC_PRINTER_NAME, "my own name"));
    ASSERT_TRUE(dlg.SelectComboItem(IDC_DRIVER_COMBO, 2));
    ASSERT_TRUE(dlg.WaitIdle());
    EXPECT_EQ(dlg.Text(IDC_PRINTER_NAME), "SK200350I8 Receipt");
}

TEST(Startup, EachRefreshRewritesTheDefaultPrinterBox) {
    InstallerHarness h;
    sim::SimDialog& dlg = h.Start();
    ASSERT_TRUE(h.WaitStartup());
    ASSERT_TRUE(dlg.SetCheck(IDC_SET_DEFAULT, false));
    ASSERT_TRUE(dlg.WaitIdle());
    EXPECT_FALSE(dlg.IsChecked(IDC_SET_DEFAULT));
    h.dialog->SetStatus("refresh");  // from this thread, as the worker sends it
    EXPECT_TRUE(dlg.IsChecked(IDC_SET_DEFAULT));
    EXPECT_EQ(dlg.Text(IDC_STATUS), "refresh");
}

TEST(Startup, CloseCommandEndsWithCancelAndStopsTheProbeTimer) {
    InstallerHarness h;
    sim::SimDialog& dlg = h.Start();
    ASSERT_TRUE(h.WaitStartup());
    ASSERT_TRUE(h.CloseAndWait());
    EXPECT_EQ(dlg.Result(), plat::kIdCancel);
    bool killed = false;
    for (const sim::TimerCall& call : dlg.TimerCalls()) {
        if (!call.set && call.id == PROBE_TIMER_ID) killed = true;
    }
    EXPECT_TRUE(killed);
}

TEST(Startup, CancelButtonEndsWithCancel) {
    InstallerHarness h;
    sim::SimDialog& dlg = h.Start();
    ASSERT_TRUE(h.WaitStartup());
    ASSERT_TRUE(dlg.Click(plat::kIdCancel));
    ASSERT_TRUE(h.WaitEnded());
    EXPECT_EQ(dlg.Result(), plat::kIdCancel);
}

TEST(Startup, SerialByteMessageSetsTheReplyFlag) {
    InstallerHarness h;
    sim::SimDialog& dlg = h.Start();
    ASSERT_TRUE(h.WaitStartup());
    EXPECT_FALSE(h.dialog->m_bSerialReply);
    EXPECT_EQ(dlg.SendUserMessage(WM_SERIAL_BYTE, 'x', 3), 0);
    EXPECT_TRUE(h.dialog->m_bSerialReply);
}

}  // namespace
