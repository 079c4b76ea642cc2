// Receipt and label printers installed on the USB row, as a person does it,
// and what the spooler and the registry hold afterwards, on the Windows the
// test program is told it runs on (32-bit Windows for the 32-bit build).
#include <windows.h>

#include <gtest/gtest.h>
#include <winspool.h>

#include <memory>
#include <optional>
#include <string>

#include "app/box_texts.h"
#include "combo_probe.h"
#include "dialog_probe.h"
#include "e2e_options.h"
#include "printer_probe.h"
#include "process_list.h"
#include "ready_run.h"
#include "remote_list_view.h"
#include "resource.h"
#include "registry_value_guard.h"
#include "shared_run.h"
#include "system_facts.h"
#include "window_capture.h"

namespace e2e {
namespace {

constexpr char kPortsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
constexpr char kWindowsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
constexpr char kFirstDriver[] = "SK200K8";
// The whole installation, spooler restarts included.
constexpr DWORD kInstallTimeoutMs = 120000;

class ReceiptInstallTest : public OwnRunTest {
protected:
    void SetUp() override {
        SKIP_WITHOUT_PACKAGE();
        // Windows keeps the default printer under this key from the start; a
        // fresh Wine prefix has no such key until something makes it.
        HKEY windows = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kWindowsKey, 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &windows, nullptr));
        RegCloseKey(windows);
        for (const char* port : {"USB001", "USB002"}) {
            ports_.push_back(std::make_unique<RegistryValueGuard>(
                HKEY_LOCAL_MACHINE, kPortsKey, port, std::optional<std::string>("")));
            ASSERT_TRUE(ports_.back()->Applied()) << ports_.back()->Error();
        }
    }

    // Clicks Install as a person does (the USB row is preselected, as the
    // system has USB ports) and waits for the button to read "&Finish".
    void InstallAndWait(ReadyRun& run) {
        ASSERT_TRUE(run.Ready()) << run.Problem();
        PostMessageA(run.Control(IDC_INSTALL), BM_CLICK, 0, 0);
        ASSERT_EQ("", run.Session().WaitForButton(IDC_INSTALL, kFinishCaption, kInstallTimeoutMs));
        EXPECT_EQ(std::optional<std::string>(kCompletedStatus), ReadWindowText(run.Control(IDC_STATUS)));
    }

    // "&Finish" ends the program, which removes its working files.
    void Finish(ReadyRun& run) {
        PostMessageA(run.Control(IDC_INSTALL), BM_CLICK, 0, 0);
        ASSERT_EQ("", run.Session().WaitForExit());
        EXPECT_FALSE(FileExists("C:\\Ticket"));
        EXPECT_FALSE(FileExists("C:\\DriverName.cfg"));
    }

    // The status line of a ready run names `release` and this Windows' word
    // size, two blanks between them.
    static void ExpectSystemLine(const ReadyRun& run, const Release& release) {
        EXPECT_EQ(std::optional<std::string>(std::string(kSystemStatusPrefix) + release.shownName +
                                             " " + TheSystem().wordSize),
                  ReadWindowText(run.Control(IDC_STATUS)));
    }

    std::vector<std::unique_ptr<RegistryValueGuard>> ports_;
};

TEST_F(ReceiptInstallTest, InstallsTheDriverAndThePrinterOnAUsbPort) {
    ASSERT_TRUE(RemovePrinter(kFirstDriver));
    const RegistryValueGuard windows7 = ReportRelease(kWindows7);
    ASSERT_TRUE(windows7.Applied()) << windows7.Error();
    ReadyRun run;
    ExpectSystemLine(run, kWindows7);
    InstallAndWait(run);
    // The run of this suite keeps the finished dialog as its picture.
    if (!TheOptions().screenshot.empty()) {
        EXPECT_TRUE(CaptureWindow(run.Dialog(), TheOptions().screenshot).saved);
    }

    // Registered for this Windows' own environment, with its files in the
    // spooler's folder for it and the staged copies gone.
    const std::string driverDir = TheSystem().driverDir;
    EXPECT_TRUE(ReadRegistryString(HKEY_LOCAL_MACHINE, TheSystem().DriverKey(kFirstDriver),
                                   "Driver")
                    .has_value())
        << "no driver registered for " << TheSystem().environment;
    EXPECT_TRUE(FileExists(driverDir + "\\3\\uniDRV.DLL"));
    EXPECT_TRUE(FileExists(driverDir + "\\3\\SK200K8.GPD"));
    for (const char* staged : {"SK200K8.GPD", "QRR8.DLL", "uniDRV.DLL", "STDNAMES.GPD"}) {
        EXPECT_FALSE(FileExists(driverDir + "\\" + staged)) << staged;
    }
    EXPECT_TRUE(FileExists(driverDir + "\\VOEMUNI.dll"));

    const std::optional<PrinterView> printer = ReadPrinter(kFirstDriver);
    ASSERT_TRUE(printer.has_value());
    EXPECT_EQ(printer->driver, kFirstDriver);
    // Wine reports Windows 7 here: every USB port is written, the last stays.
    EXPECT_EQ(printer->port, "USB002");
    EXPECT_EQ(std::optional<std::string>("SK200K8,winspool,USB001"),
              ReadRegistryString(HKEY_CURRENT_USER, kWindowsKey, "Device"));
    Finish(run);
}

// Before Windows 7 (XP on 32-bit Windows) and on Windows 10, the USB
// detection restarts the spooler on each port and asks whether the printer
// answers there.
TEST_F(ReceiptInstallTest, WithRestartsTheRenamedPrinterEndsWhereItAnswers) {
    const RegistryValueGuard release = ReportRelease(TheSystem().restartRelease);
    ASSERT_TRUE(release.Applied()) << release.Error();
    const std::string name = "Front desk";
    ASSERT_TRUE(RemovePrinter(name));
    const OnlinePrinter device(name, "USB002");
    ReadyRun run;
    ASSERT_TRUE(run.Ready()) << run.Problem();
    ExpectSystemLine(run, TheSystem().restartRelease);
    ASSERT_TRUE(SendBounded(run.Control(IDC_PRINTER_NAME), WM_SETTEXT, 0,
                            reinterpret_cast<LPARAM>(name.c_str())));
    InstallAndWait(run);
    const std::optional<PrinterView> printer = ReadPrinter(name);
    ASSERT_TRUE(printer.has_value());
    EXPECT_EQ(printer->port, "USB002");
    EXPECT_EQ(printer->driver, kFirstDriver);
    Finish(run);
}

TEST_F(ReceiptInstallTest, WithRestartsNobodyOnLineAsksThenCompletes) {
    const RegistryValueGuard release = ReportRelease(TheSystem().restartRelease);
    ASSERT_TRUE(release.Applied()) << release.Error();
    ReadyRun run;
    ASSERT_TRUE(run.Ready()) << run.Problem();
    PostMessageA(run.Control(IDC_INSTALL), BM_CLICK, 0, 0);
    std::string problem;
    HWND box = run.Session().WaitForBox(kNoUsbPortCaption, kInstallTimeoutMs, &problem);
    ASSERT_NE(box, nullptr) << problem << "; status: "
                            << ReadWindowText(run.Control(IDC_STATUS)).value_or("?");
    ASSERT_TRUE(Dismiss(box, IDCANCEL));
    ASSERT_EQ("", run.Session().WaitForButton(IDC_INSTALL, kFinishCaption, kInstallTimeoutMs));
    const std::optional<PrinterView> printer = ReadPrinter(kFirstDriver);
    ASSERT_TRUE(printer.has_value());
    EXPECT_EQ(printer->port, "USB002") << "the last port tried";
    Finish(run);
}

TEST_F(ReceiptInstallTest, ASecondInstallationReplacesThePrinterAndCanLeaveTheDefault) {
    {
        ReadyRun first;
        InstallAndWait(first);
        Finish(first);
    }
    // Moved by hand meanwhile: the new installation puts it back.
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                            "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\SK200K8", 0,
                            KEY_SET_VALUE, &key));
    RegSetValueExA(key, "Port", 0, REG_SZ, reinterpret_cast<const BYTE*>("LPT1:"), 6);
    RegCloseKey(key);
    ASSERT_EQ("LPT1:", ReadPrinter(kFirstDriver).value_or(PrinterView{}).port);

    const RegistryValueGuard device(HKEY_CURRENT_USER, kWindowsKey, "Device",
                                    std::optional<std::string>("Other,winspool,LPT1:"));
    ASSERT_TRUE(device.Applied()) << device.Error();
    ReadyRun second;
    ASSERT_TRUE(second.Ready()) << second.Problem();
    ASSERT_TRUE(SendBounded(second.Control(IDC_SET_DEFAULT), BM_CLICK, 0, 0));
    ASSERT_EQ(std::optional<UINT>(BST_UNCHECKED), ReadCheckState(second.Dialog(), IDC_SET_DEFAULT));
    InstallAndWait(second);
    EXPECT_EQ("USB002", ReadPrinter(kFirstDriver).value_or(PrinterView{}).port);
    EXPECT_EQ(std::optional<std::string>("Other,winspool,LPT1:"),
              ReadRegistryString(HKEY_CURRENT_USER, kWindowsKey, "Device"));
    Finish(second);
}

// --- Closed at a bad moment during an installation, as End Task or a
// person at the close box would: while the USB detection restarts the
// spooler (after a delay from Install), while it asks (its box open), or
// while the parallel port dialog is open. A close that reaches the dialog
// while a box or a port dialog disables it is dropped, as Windows drops it,
// so whatever is open is answered Cancel and the close is repeated; the
// program must end and leave nothing behind.

struct CloseCase {
    std::string name;
    int row;              // the port-type row installed on
    const char* waitFor;  // the window to wait for before closing; nullptr: a delay
    DWORD delayMs;
};

void PrintTo(const CloseCase& c, std::ostream* os) { *os << c.name; }

// `stem` with `number` after it.
std::string Numbered(std::string stem, unsigned number, const char* unit = "") {
    stem += std::to_string(number);
    return stem += unit;
}

std::vector<CloseCase> CloseCases() {
    std::vector<CloseCase> cases;
    for (DWORD delay = 0; delay <= 1100; delay += 100) {
        cases.push_back({Numbered("Restarts", delay, "ms"), 1, nullptr, delay});
    }
    for (unsigned i = 0; i < 3; ++i) {
        cases.push_back({Numbered("UsbBox", i), 1, kNoUsbPortCaption, 0});
        cases.push_back({Numbered("ParallelDialog", i), 2, "Select A Parallel Port", 0});
    }
    return cases;
}

class CloseDuringInstallTest : public ReceiptInstallTest,
                               public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseDuringInstallTest, EndsAndLeavesNothing) {
    const CloseCase& c = GetParam();
    const RegistryValueGuard release = ReportRelease(TheSystem().restartRelease);
    ASSERT_TRUE(release.Applied()) << release.Error();
    ReadyRun run;
    ASSERT_TRUE(run.Ready()) << run.Problem();
    ASSERT_TRUE(RemoteListView(run.Control(IDC_PORT_LIST), run.ProcessId()).SelectItem(c.row));
    PostMessageA(run.Control(IDC_INSTALL), BM_CLICK, 0, 0);
    if (c.waitFor != nullptr) {
        std::string problem;
        ASSERT_NE(nullptr, run.Session().WaitForBox(c.waitFor, kInstallTimeoutMs, &problem))
            << problem;
    } else {
        Sleep(c.delayMs);
    }
    const DWORD id = run.ProcessId();
    int closes = 0;
    const bool ended = WaitUntil(
        [&] {
            if (!run.Session().Process().Running()) return true;
            if (const auto box = FindUnexpectedBox(id, {kDialogCaption})) {
                PostMessageA(box->window, WM_COMMAND, IDCANCEL, 0);
            } else if (closes++ % 10 == 0) {
                run.Session().Close(CloseWay::CloseBox);
            }
            return false;
        },
        kInstallTimeoutMs, 100);
    ASSERT_TRUE(ended) << "still running; status: "
                       << ReadWindowText(run.Control(IDC_STATUS)).value_or("?");
    EXPECT_EQ(std::vector<std::string>{}, PresentWorkingItems()) << "working files left on C:";
    const auto left = Leftovers(ListProcesses(), id, "installer.exe", {});
    EXPECT_TRUE(left.empty()) << "left running: " << Describe(left);
}

INSTANTIATE_TEST_SUITE_P(Moments, CloseDuringInstallTest, ::testing::ValuesIn(CloseCases()),
                         [](const auto& test) { return test.param.name; });

// --- Label printers: the language monitor first, then the driver.

constexpr char kLabelDriver[] = "3150TF(Label)";
constexpr char kMonitor[] = "Advanced Language Monitor";

// The DLL the spooler keeps for the monitor named `name`, or nullopt.
std::optional<std::string> MonitorDll(const std::string& name) {
    DWORD needed = 0;
    DWORD count = 0;
    EnumMonitorsA(nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed != 0 ? needed : 1);
    if (needed == 0 || !EnumMonitorsA(nullptr, 2, buffer.data(), needed, &needed, &count)) {
        return std::nullopt;
    }
    const auto* monitors = reinterpret_cast<const MONITOR_INFO_2A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        if (monitors[i].pName != nullptr && name == monitors[i].pName) {
            return std::string(monitors[i].pDLLName ? monitors[i].pDLLName : "");
        }
    }
    return std::nullopt;
}

class LabelInstallTest : public ReceiptInstallTest {
protected:
    // A ready run with the label model chosen in the driver box.
    void ChooseLabel(ReadyRun& run) {
        ASSERT_TRUE(run.Ready()) << run.Problem();
        ASSERT_TRUE(ChooseComboItem(run.Dialog(), IDC_DRIVER_COMBO, kLabelDriver));
    }
};

// On the release with the restart-and-check USB path (XP on 32-bit
// Windows), with the printer answering on the second USB port.
TEST_F(LabelInstallTest, InstallsTheMonitorTheDriverAndThePrinterNamedAfterIt) {
    const SystemFacts& system = TheSystem();
    const RegistryValueGuard release = ReportRelease(system.restartRelease);
    ASSERT_TRUE(release.Applied()) << release.Error();
    ASSERT_TRUE(RemovePrinter(kLabelDriver));
    const OnlinePrinter device(kLabelDriver, "USB002");
    ReadyRun run;
    ChooseLabel(run);
    ExpectSystemLine(run, system.restartRelease);
    ASSERT_TRUE(SendBounded(run.Control(IDC_PRINTER_NAME), WM_SETTEXT, 0,
                            reinterpret_cast<LPARAM>("Typed name")));
    InstallAndWait(run);

    EXPECT_EQ(std::optional<std::string>(system.monitorDll), MonitorDll(kMonitor));
    const std::string driverKey = system.DriverKey(kLabelDriver);
    EXPECT_EQ(std::optional<std::string>(system.labelDriver),
              ReadRegistryString(HKEY_LOCAL_MACHINE, driverKey, "Driver"));
    EXPECT_EQ(std::optional<std::string>(kMonitor),
              ReadRegistryString(HKEY_LOCAL_MACHINE, driverKey, "Monitor"));
    const std::string driverDir = system.driverDir;
    for (const char* kept :
         {system.firstLanguageDll, system.lastLanguageDll, "QV315TF.BA0", "QV315TF.PP0"}) {
        EXPECT_TRUE(FileExists(driverDir + "\\3\\" + kept)) << kept;
    }
    for (const char* staged : {system.labelDriver, system.firstLanguageDll, system.monitorFile,
                               "VORELIN.chm", "QV315TF.BA0", "QV315TF.DAT", "QV315TF.PP0"}) {
        EXPECT_FALSE(FileExists(driverDir + "\\" + staged)) << staged;
    }
    EXPECT_FALSE(ReadPrinter("Typed name").has_value());
    const std::optional<PrinterView> printer = ReadPrinter(kLabelDriver);
    ASSERT_TRUE(printer.has_value());
    EXPECT_EQ(printer->driver, kLabelDriver);
    EXPECT_EQ(printer->port, "USB002");
    Finish(run);

    // Again, with the monitor installed already.
    ReadyRun again;
    ChooseLabel(again);
    InstallAndWait(again);
    EXPECT_EQ(std::optional<std::string>(system.monitorDll), MonitorDll(kMonitor));
    Finish(again);
}

// Last of the suite: it leaves a monitor DLL the spooler refuses.
TEST_F(LabelInstallTest, AMonitorTheSpoolerRefusesEndsTheInstaller) {
    ReadyRun run;
    ChooseLabel(run);
    // The unpacked monitor DLL replaced by one without the monitor's entry
    // point, as a damaged package would carry it.
    char system[MAX_PATH] = {};
    ASSERT_NE(0u, GetSystemDirectoryA(system, MAX_PATH));
    const std::string unpacked =
        std::string(TheSystem().labelFolder) + "\\" + TheSystem().monitorFile;
    ASSERT_TRUE(CopyFileA((std::string(system) + "\\version.dll").c_str(), unpacked.c_str(), FALSE));
    PostMessageA(run.Control(IDC_INSTALL), BM_CLICK, 0, 0);
    std::string problem;
    HWND box = run.Session().WaitForBox("installer", kInstallTimeoutMs, &problem);
    ASSERT_NE(box, nullptr) << problem << "; status: "
                            << ReadWindowText(run.Control(IDC_STATUS)).value_or("?");
    EXPECT_EQ("Failed to add Monitor\r\n", BoxText(box));
    ASSERT_TRUE(Dismiss(box, IDOK));
    ASSERT_EQ("", run.Session().WaitForExit());
    EXPECT_FALSE(FileExists("C:\\Barcode"));
    EXPECT_FALSE(FileExists(std::string(TheSystem().driverDir) + "\\" + TheSystem().labelDriver))
        << "nothing staged";
}

}  // namespace
}  // namespace e2e
