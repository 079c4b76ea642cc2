// Installing a receipt printer through the Install button, against the
// simulated Windows: driver, printer, default printer and USB detection.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/box_texts.h"
#include "install_support.h"

namespace {

using plat::RootKey;
constexpr const char* kX64Dir = "C:\\windows\\system32\\spool\\drivers\\x64";
constexpr const char* kDeviceKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";

class ReceiptInstall : public testing::Test {
protected:
    void SetUp() override { PlaceReceiptPackage(h); }
    void OnWindows10() { h.win.system().SetVersion(plat::kVerPlatformWin32Nt, 10, 0, 19041); }
    std::string PrinterPort(const std::string& name) {
        auto printer = h.win.spooler().Printer(name);
        return printer ? printer->portName : "<no printer>";
    }
    std::string PrinterDriver(const std::string& name) {
        auto printer = h.win.spooler().Printer(name);
        return printer ? printer->driverName : "<no printer>";
    }
    // A printer of the name the installation proposes, with another driver.
    void AddOldPrinter(const std::string& port) {
        h.win.spooler().AddDriverForTests("Old driver");
        plat::PrinterInfo2 old;
        old.printerName = "Driver 0";
        old.portName = port;
        old.driverName = "Old driver";
        old.printProcessor = "WinPrint";
        ASSERT_TRUE(h.platform.spooler.ClosePrinter(h.platform.spooler.AddPrinterA(2, old)));
    }
    void ExpectFinished(sim::SimDialog& dlg) {
        EXPECT_EQ(dlg.Text(IDC_STATUS), kCompletedStatus);
        EXPECT_EQ(dlg.Text(IDC_INSTALL), kFinishCaption);
        EXPECT_TRUE(dlg.IsEnabled(IDC_INSTALL));
        EXPECT_FALSE(dlg.IsEnabled(plat::kIdCancel));
        EXPECT_EQ(dlg.ProgressPos(IDC_PROGRESS), 100);
    }

    InstallerHarness h{/*withPackage=*/false, ""};
};

// Every step of the installation in its order, with what the user sees:
// staging, the driver, the printer, the default printer, the USB detection
// (the printer answers on the second USB port) and the end.
TEST_F(ReceiptInstall, UsbPrinterEndsOnThePortItAnswersOn) {
    OnWindows10();
    h.win.spooler().SetDeviceOnPort("USB002", true);
    sim::SimDialog& dlg = StartWithPorts(h, {"LPT1:", "USB001", "USB002", "USB003"});
    h.Record();
    Install(h, "Driver 0", 1);

    const std::string dir = std::string(kX64Dir) + "\\";
    Calls expected = {"EnableDlgItem 1012 0", "GetPrinterDriverDirectoryA Windows NT x86 1 255",
                      "GetPrinterDriverDirectoryA Windows x64 1 255"};
    const char* const staged[] = {"QRR8.DLL", "SK200K8.GPD", "VOEMUNI.dll", "VOEMUNI.ini",
                                  "uniDRVui.DLL", "uniDRV.DLL", "UNIDRV.HLP", "UNIRES.DLL",
                                  "TTFSUB.GPD", "STDNAMES.GPD"};
    for (const char* file : staged) {
        Append(expected, {std::string("CopyFileA C:\\Ticket\\x64\\") + file, Status(dir + file)});
    }
    Append(expected, {Progress(10), Status("Adding printer drive SK200K8"),
                      "OpenSCManagerA ServicesActive 0xF003F",  // the spooler runs: no start
                      "AddPrinterDriverExA 3 SK200K8 Windows x64 3 4",
                      Status("Driver SK200K8 is added")});
    // The staged copies go, the plug-in's two files stay.
    for (const std::string file : staged) {
        if (file.rfind("VOEMUNI", 0) != 0) expected.push_back("DeleteFileA " + dir + file);
    }
    Append(expected, {Progress(20), "OpenProcessToken 0x28",
                      "LookupPrivilegeValueA SeLoadDriverPrivilege", "AdjustTokenPrivileges 0x2",
                      "OpenPrinterA Driver 0 RAW 0xF000C", "AddPrinterA Driver 0 USB001",
                      Status("Added the printer Driver 0"), "ClosePrinter", Progress(30),
                      "RegOpenKeyExA HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows 0x2",
                      "RegSetValueExA Device 1 24",  // "Driver 0,winspool,USB001", no NUL
                      Progress(40), Status("Checking USB ports...")});
    for (const char* port : {"USB001", "USB002"}) {
        expected.push_back(Status(std::string("Checking  ") + port + " ...."));
        Append(expected, PortWrites("Driver 0", port));
        Append(expected, {Progress(50), "OpenSCManagerA ServicesActive 0xF003F", "ControlService 1",
                          "StartServiceA", Progress(60),
                          "RegOpenKeyExA HKLM\\SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current"
                          "\\System\\CurrentControlSet\\Control\\Print\\Printers\\Driver 0 0x1",
                          "RegQueryValueExA PrinterOnLine 50"});
    }
    Append(expected, {Progress(70), Progress(80), "Sleep 500", Progress(100),
                      "EnableDlgItem 1012 1", "SetDlgItemTextA 1012 &Finish",
                      Status(kCompletedStatus), "EnableDlgItem 2 0"});
    EXPECT_EQ(h.Recorded({"GetPrinterDriverDirectoryA", "CopyFileA", "DeleteFileA",
                          "OpenSCManagerA", "ControlService", "StartServiceA",
                          "AddPrinterDriverExA", "OpenProcessToken", "LookupPrivilegeValueA",
                          "AdjustTokenPrivileges", "OpenPrinterA", "SetPrinterA", "DeletePrinter",
                          "AddPrinterA", "ClosePrinter", "RegOpenKeyExA", "RegCreateKeyExA",
                          "RegSetValueExA", "RegQueryValueExA", "Sleep 500", "Sleep 100",
                          "SetDlgItemTextA", "ProgressSetPos", "EnableDlgItem", "MessageBoxA"}),
              expected);

    EXPECT_EQ(PrinterDriver("Driver 0"), "SK200K8");
    EXPECT_EQ(PrinterPort("Driver 0"), "USB002");
    EXPECT_EQ(h.win.files().ReadFile(std::string(kX64Dir) + "\\VOEMUNI.dll"), "VOEMUNI.dll x64");
    EXPECT_TRUE(h.win.files().Exists(std::string(kX64Dir) + "\\VOEMUNI.ini"));
    // The default printer names the port the printer was created on.
    EXPECT_EQ(h.win.registry().GetString(RootKey::CurrentUser, kDeviceKey, "Device"),
              "Driver 0,winspool,USB001");
    EXPECT_TRUE(h.win.system().PrivilegeEnabled("SeLoadDriverPrivilege"));
    EXPECT_EQ(h.win.system().OpenTokenCount(), 0u);
    EXPECT_EQ(h.win.spooler().OpenPrinterCount(), 0u);
    ExpectFinished(dlg);

    ASSERT_TRUE(dlg.Click(IDC_INSTALL));
    ASSERT_TRUE(h.WaitEnded());
    EXPECT_EQ(dlg.Result(), plat::kIdOk);
    EXPECT_FALSE(h.win.files().Exists("C:\\Ticket"));
}

TEST_F(ReceiptInstall, OnWindows7EveryUsbPortIsWrittenWithoutRestarts) {
    h.win.system().SetWow64(false);
    sim::SimDialog& dlg = StartWithPorts(h, {"USB001", "USB002", "USB003"});
    Install(h, "Driver 15", 1);
    EXPECT_TRUE(dlg.MessageBoxLog().empty());
    ASSERT_TRUE(h.win.spooler().Driver("Windows NT x86", "vex5(No Cut) Series"));
    EXPECT_EQ(h.win.spooler().LastDriverRecord()->dataFile,
              "C:\\windows\\system32\\spool\\drivers\\w32x86\\vex5nocut.GPD");
    EXPECT_EQ(h.win.registry().GetString(RootKey::LocalMachine,
                                         "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Driver 15",
                                         "Port"),
              "USB003");
    EXPECT_EQ(h.win.services().StartCount("Spooler"), 1) << "started once, at start-up";
    ExpectFinished(dlg);
}

TEST_F(ReceiptInstall, RetryAndCancelWhenNoUsbPortAnswers) {
    OnWindows10();
    sim::SimDialog& dlg = StartWithPorts(h, {"USB001", "USB002"});
    ASSERT_TRUE(dlg.SelectListRow(IDC_PORT_LIST, 1));
    Install(h, "Driver 1", 1);
    for (int answer : {plat::kIdRetry, plat::kIdCancel}) {
        auto box = dlg.WaitMessageBox();
        ASSERT_TRUE(box);
        EXPECT_EQ(box->caption, kNoUsbPortCaption);
        EXPECT_EQ(box->type, plat::kMbRetryCancel);
        EXPECT_EQ(box->text.substr(0, 63),
                  "Failed to select USB port,please check the port is connected.\r\n");
        ASSERT_TRUE(dlg.AnswerMessageBox(answer));
        ASSERT_TRUE(dlg.WaitIdle());
    }
    EXPECT_EQ(dlg.MessageBoxLog().size(), 2u);
    EXPECT_EQ(PrinterPort("Driver 1"), "USB002") << "the last port tried";
    ExpectFinished(dlg);
}

TEST_F(ReceiptInstall, AFlagOtherThanOneIsNotOnLineButNeedsNoRetry) {
    OnWindows10();
    const std::string flagKey = "System\\CurrentControlSet\\Control\\Print\\Printers\\Driver 0";
    h.win.SetCallHook([this, flagKey](std::string_view op) {
        if (op == "RegQueryValueExA") {
            h.win.registry().SetDword(RootKey::CurrentConfig, flagKey, "PrinterOnLine", 2);
        }
    });
    sim::SimDialog& dlg = StartWithPorts(h, {"USB001", "USB002"});
    Install(h, "Driver 0", 1);
    EXPECT_TRUE(dlg.MessageBoxLog().empty());
    EXPECT_EQ(PrinterPort("Driver 0"), "USB002");
    ExpectFinished(dlg);
}

TEST_F(ReceiptInstall, DetectionMovesTheRenamedPrinter) {
    OnWindows10();
    h.win.spooler().SetDeviceOnPort("USB002", true);
    sim::SimDialog& dlg = StartWithPorts(h, {"USB001", "USB002"});
    ASSERT_TRUE(dlg.TypeText(IDC_PRINTER_NAME, "Front desk"));
    ASSERT_TRUE(dlg.Click(IDC_INSTALL));
    ASSERT_TRUE(dlg.WaitIdle());
    EXPECT_TRUE(dlg.MessageBoxLog().empty());
    EXPECT_EQ(PrinterPort("Front desk"), "USB002");
    EXPECT_FALSE(h.win.spooler().Printer("Driver 0"));
    EXPECT_FALSE(h.win.registry().KeyExists(
        RootKey::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Driver 0"));
}

TEST_F(ReceiptInstall, AnExistingPrinterIsReplaced) {
    sim::SimDialog& dlg = StartWithPorts(h, {"USB001"});
    AddOldPrinter("USB001");
    h.Record();
    Install(h, "Driver 0", 1);
    // Shown, its jobs purged, deleted, then the new one created.
    EXPECT_EQ(h.Recorded({"OpenPrinterA", "SetPrinterA", "DeletePrinter", "ClosePrinter",
                          "AddPrinterA", Status("The printer")}),
              (Calls{"OpenPrinterA Driver 0 RAW 0xF000C",
                     Status("The printer Driver 0 exists,Re-adding the printer..."),
                     "SetPrinterA 0 3", "DeletePrinter", "ClosePrinter",
                     "AddPrinterA Driver 0 USB001", "ClosePrinter"}));
    EXPECT_EQ(PrinterDriver("Driver 0"), "SK200K8");
    ExpectFinished(dlg);
}

TEST_F(ReceiptInstall, EachPrinterFailureHasItsBox) {
    struct Case {
        std::uint32_t error;
        const char* text;
        const char* caption;
        const char* button;
        std::uint32_t windowsMajor;
        std::uint32_t driverVersion;  // of the record registered before
    };
    const Case cases[] = {
        {1796, kNoUsefulPortText, kPromptCaption, kReinstallCaption, 10, 3},
        {126, kMissingFilesText, kPromptCaption, kReinstallCaption, 5, 3},
        {5, "Error AddPrinter 5", kErrorPromptCaption, kInstallCaption, 4, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        InstallerHarness run(false, "");
        PlaceReceiptPackage(run);
        run.win.system().SetVersion(plat::kVerPlatformWin32Nt, c.windowsMajor, 0, 1381);
        sim::SimDialog& dlg = StartWithPorts(run, {"USB001"});
        run.win.FailNext("AddPrinterA", c.error);
        Install(run, "Driver 0", 1);
        auto box = dlg.WaitMessageBox();
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text, c.text);
        EXPECT_EQ(box->caption, c.caption);
        EXPECT_EQ(box->type, plat::kMbOk);
        ASSERT_TRUE(dlg.AnswerMessageBox(plat::kIdOk));
        ASSERT_TRUE(dlg.WaitIdle());
        EXPECT_EQ(dlg.Text(IDC_INSTALL), c.button);
        EXPECT_TRUE(dlg.IsEnabled(IDC_INSTALL));
        EXPECT_EQ(dlg.ProgressPos(IDC_PROGRESS), 0);
        EXPECT_FALSE(run.win.registry().GetValue(RootKey::CurrentUser, kDeviceKey, "Device"));
        EXPECT_TRUE(run.win.spooler().Driver("Windows x64", "SK200K8")) << "the driver stays";
        EXPECT_EQ(run.win.spooler().LastDriverRecord().value_or(plat::DriverInfo3{}).version,
                  c.driverVersion);
    }
}

TEST_F(ReceiptInstall, DriverFailureOffersRetryThenCancelEndsTheInstaller) {
    sim::SimDialog& dlg = StartWithPorts(h, {"USB001"});
    h.win.FailNext("AddPrinterDriverExA", 1797);
    Install(h, "Driver 0", 1);
    auto box = dlg.WaitMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->caption, "Error");
    EXPECT_EQ(box->type, plat::kMbRetryCancel);
    EXPECT_EQ(box->text,
              "Failed to add the driver 1797\r\n\r\nClick Retry:You can retry\r\n"
              "Click Cancel\xA3\xBA" "Exit and abort installation");
    ASSERT_TRUE(dlg.AnswerMessageBox(plat::kIdRetry));
    ASSERT_TRUE(dlg.WaitIdle());
    EXPECT_EQ(dlg.Text(IDC_INSTALL), kReinstallCaption);
    EXPECT_TRUE(dlg.IsEnabled(IDC_INSTALL));
    EXPECT_EQ(dlg.ProgressPos(IDC_PROGRESS), 0);
    EXPECT_FALSE(dlg.IsEnabled(plat::kIdCancel));

    h.win.FailNext("AddPrinterDriverExA", 5);
    ASSERT_TRUE(dlg.Click(IDC_INSTALL));
    ASSERT_TRUE(dlg.WaitMessageBox());
    ASSERT_TRUE(dlg.AnswerMessageBox(plat::kIdCancel));
    ASSERT_TRUE(h.WaitEnded());
    EXPECT_EQ(dlg.Result(), plat::kIdOk);
    EXPECT_FALSE(h.win.spooler().Printer("Driver 0"));
    EXPECT_FALSE(h.win.files().Exists("C:\\Ticket"));
}

TEST_F(ReceiptInstall, DefaultPrinterOnlyWhenTickedAndAFailedWriteIsShown) {
    sim::SimDialog& dlg = StartWithPorts(h, {"USB001"});
    ASSERT_TRUE(dlg.SetCheck(IDC_SET_DEFAULT, false));
    Install(h, "Driver 0", 1);
    EXPECT_FALSE(h.win.registry().GetValue(RootKey::CurrentUser, kDeviceKey, "Device"));
    EXPECT_FALSE(dlg.IsChecked(IDC_SET_DEFAULT));
    ExpectFinished(dlg);

    InstallerHarness again(false, "");
    PlaceReceiptPackage(again);
    sim::SimDialog& second = StartWithPorts(again, {"USB001"});
    again.win.FailNext("RegSetValueExA", 5);
    Install(again, "Driver 0", 1);
    auto box = second.WaitMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, kDefaultPrinterNotSetText);
    EXPECT_EQ(box->caption, "installer");
    ASSERT_TRUE(second.AnswerMessageBox(plat::kIdOk));
    ASSERT_TRUE(second.WaitIdle());
    ExpectFinished(second);
}

TEST_F(ReceiptInstall, UsbRowWithoutUsbPortStartsOnTheParallelPortOnce) {
    OnWindows10();
    sim::SimDialog& dlg = StartWithPorts(h, {});
    h.Record();
    Install(h, "Driver 0", 1);
    auto box = dlg.WaitMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->caption, kNoUsbPortCaption);
    ASSERT_TRUE(dlg.AnswerMessageBox(plat::kIdCancel));
    ASSERT_TRUE(dlg.WaitIdle());
    // Created once; the spooler restarted before the lists are read again.
    EXPECT_EQ(h.Recorded({"AddPrinterA", "ControlService", "StartServiceA", "EnumPortsA"}),
              (Calls{"AddPrinterA Driver 0 LPT1:", "ControlService 1", "StartServiceA",
                     "EnumPortsA"}));
    EXPECT_EQ(PrinterPort("Driver 0"), "LPT1:");
    ExpectFinished(dlg);
}

// The serial row with no serial port: the printer is created on the first
// parallel port, and the status names that port to the end.
TEST_F(ReceiptInstall, SerialRowWithoutSerialPortNamesThePortThePrinterIsOn) {
    h.win.registry().DeleteTree(RootKey::LocalMachine, "HARDWARE\\DEVICEMAP\\SERIALCOMM");
    sim::SimDialog& dlg = StartWithPorts(h, {});
    h.Record();
    Install(h, "Driver 0", 0);
    const std::string unable =
        "Unable to detect available printer.The current printer port is LPT1:";
    Calls calls = h.Recorded({"AddPrinterA", "EnumPrintersA", "OpenSCManagerA", "ControlService",
                              "StartServiceA", "RegSetValueExA", "Sleep 500", "SetDlgItemTextA 1",
                              "ProgressSetPos"});
    calls.erase(calls.begin(), std::find(calls.begin(), calls.end(), "AddPrinterA Driver 0 LPT1:"));
    EXPECT_EQ(calls,
              (Calls{"AddPrinterA Driver 0 LPT1:",
                     Status("There's no serial port,the current port isLPT1:"), Progress(30),
                     "RegSetValueExA Device 1 18", Progress(40), "EnumPrintersA", Progress(50),
                     Progress(90), "OpenSCManagerA ServicesActive 0xF003F", "ControlService 1",
                     "StartServiceA", "SetDlgItemTextA 1012 &Finish", Status(unable),
                     Progress(100), "Sleep 500"}));
    EXPECT_EQ(PrinterPort("Driver 0"), "LPT1:");
    EXPECT_EQ(dlg.Text(IDC_STATUS), unable);
}

// With nowhere to create the printer, an existing printer of the same name
// is refused before it is touched: the user keeps it.
TEST_F(ReceiptInstall, UsbRowWithNoPortAtAllIsRefused) {
    h.win.registry().DeleteTree(RootKey::LocalMachine,
                                "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports");
    sim::SimDialog& dlg = StartWithPorts(h, {});
    AddOldPrinter("NUL:");
    Install(h, "Driver 0", 1);
    auto box = dlg.WaitMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, kNoUsefulPortText);
    ASSERT_TRUE(dlg.AnswerMessageBox(plat::kIdOk));
    ASSERT_TRUE(dlg.WaitIdle());
    EXPECT_EQ(dlg.Text(IDC_INSTALL), kReinstallCaption);
    const auto kept = h.win.spooler().Printer("Driver 0");
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->driverName, "Old driver");
}

// Each platform call of the installation failing for good, once the
// start-up is done: the box the user sees first, and how the run ends.
TEST(ReceiptInstallFaults, EachFailingCallEndsUsably) {
    struct Case {
        const char* op;
        std::uint32_t error;
        const char* firstBox;  // the start of the first box's text; "" for none
        const char* button;    // the button's caption at the end; nullptr: the dialog ended
    };
    const Case cases[] = {
        {"OpenProcessToken", 5, "", kFinishCaption},
        {"LookupPrivilegeValueA", 1313, "", kFinishCaption},
        {"CopyFileA", 5, "Failed to add the driver 2\r\n", nullptr},
        // Nothing is staged without the driver folder (no copy to the
        // drive's root).
        {"GetPrinterDriverDirectoryA", 1722,
         "The printer driver folder of Windows could not be found (error 1722).", kInstallCaption},
        {"RegOpenKeyExA", 2, "Failed to select USB port", kFinishCaption},
        {"RegCreateKeyExA", 5, "", kFinishCaption},
        {"RegQueryValueExA", 5, kRegistryReadFailedText, kFinishCaption},
        {"OpenSCManagerA", 5, kSpoolerStatusUnknownText, kFinishCaption},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.op);
        InstallerHarness h(false, "");
        PlaceReceiptPackage(h);
        h.win.system().SetVersion(plat::kVerPlatformWin32Nt, 10, 0, 19041);
        h.win.spooler().SetDeviceOnPort("USB001", true);
        sim::SimDialog& dlg = StartWithPorts(h, {"USB001", "USB002"});
        dlg.SetAutoAnswer(plat::kIdCancel);
        h.win.FailAlways(c.op, c.error);
        Install(h, "Driver 0", 1);
        const auto boxes = dlg.MessageBoxLog();
        if (*c.firstBox == '\0') {
            EXPECT_TRUE(boxes.empty()) << boxes.front().text;
        } else {
            ASSERT_FALSE(boxes.empty());
            EXPECT_EQ(boxes.front().text.rfind(c.firstBox, 0), 0u) << boxes.front().text;
        }
        EXPECT_FALSE(h.win.files().Exists("C:\\QRR8.DLL")) << "nothing staged outside the folder";
        if (c.button != nullptr) {
            EXPECT_EQ(dlg.Text(IDC_INSTALL), c.button);
            EXPECT_TRUE(dlg.IsEnabled(IDC_INSTALL));
        } else {
            EXPECT_TRUE(h.WaitEnded());
            EXPECT_EQ(dlg.Result(), plat::kIdOk);
        }
    }
}

}  // namespace
