// Receipt and label printers installed on the USB row, as a person does it,
// and what the spooler and the registry hold afterwards.
#include <windows.h>

#include <gtest/gtest.h>
#include <winspool.h>

#include <memory>
#include <optional>
#include <string>

#include "combo_probe.h"
#include "dialog_probe.h"
#include "e2e_options.h"
#include "printer_probe.h"
#include "ready_run.h"
#include "registry_value_guard.h"
#include "shared_run.h"
#include "window_capture.h"

namespace e2e {
namespace {

constexpr int kPrinterNameBox = 1001;
constexpr int kSetDefaultBox = 1002;
constexpr char kPortsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
constexpr char kWindowsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
constexpr char kDriverKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3\\"
    "SK200K8";
constexpr char kDriverDir[] = "C:\\windows\\system32\\spool\\drivers\\x64";
constexpr char kFirstDriver[] = "SK200K8";
constexpr char kFinished[] = "The installation is completed.";
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
        PostMessageA(run.Control(kInstallButton), BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitForWindowText(run.Control(kInstallButton), "&Finish", kInstallTimeoutMs))
            << "status: " << ReadWindowText(run.Control(kStatusLine)).value_or("?");
        EXPECT_EQ(std::optional<std::string>(kFinished), ReadWindowText(run.Control(kStatusLine)));
    }

    // "&Finish" ends the program, which removes its working files.
    void Finish(ReadyRun& run) {
        PostMessageA(run.Control(kInstallButton), BM_CLICK, 0, 0);
        ASSERT_TRUE(run.Session().WaitForExit());
        EXPECT_FALSE(FileExists("C:\\Ticket"));
        EXPECT_FALSE(FileExists("C:\\DriverName.cfg"));
    }

    std::vector<std::unique_ptr<RegistryValueGuard>> ports_;
};

TEST_F(ReceiptInstallTest, InstallsTheDriverAndThePrinterOnAUsbPort) {
    ASSERT_TRUE(RemovePrinter(kFirstDriver));
    ReadyRun run;
    InstallAndWait(run);
    // The run of this suite keeps the finished dialog as its picture.
    if (!TheOptions().screenshot.empty()) {
        EXPECT_TRUE(CaptureWindow(run.Dialog(), TheOptions().screenshot).saved);
    }

    EXPECT_TRUE(ReadRegistryString(HKEY_LOCAL_MACHINE, kDriverKey, "Driver").has_value())
        << "no driver registered for Windows x64";
    EXPECT_TRUE(FileExists(std::string(kDriverDir) + "\\3\\uniDRV.DLL"));
    EXPECT_TRUE(FileExists(std::string(kDriverDir) + "\\3\\SK200K8.GPD"));
    for (const char* staged : {"SK200K8.GPD", "QRR8.DLL", "uniDRV.DLL", "STDNAMES.GPD"}) {
        EXPECT_FALSE(FileExists(std::string(kDriverDir) + "\\" + staged)) << staged;
    }
    EXPECT_TRUE(FileExists(std::string(kDriverDir) + "\\VOEMUNI.dll"));

    const std::optional<PrinterView> printer = ReadPrinter(kFirstDriver);
    ASSERT_TRUE(printer.has_value());
    EXPECT_EQ(printer->driver, kFirstDriver);
    // Wine reports Windows 7 here: every USB port is written, the last stays.
    EXPECT_EQ(printer->port, "USB002");
    EXPECT_EQ(std::optional<std::string>("SK200K8,winspool,USB001"),
              ReadRegistryString(HKEY_CURRENT_USER, kWindowsKey, "Device"));
    Finish(run);
}

TEST_F(ReceiptInstallTest, OnWindows10TheRenamedPrinterEndsWhereItAnswers) {
    const RegistryValueGuard version(HKEY_CURRENT_USER, "Software\\Wine", "Version",
                                     std::optional<std::string>("win10"));
    ASSERT_TRUE(version.Applied()) << version.Error();
    const std::string name = "Front desk";
    ASSERT_TRUE(RemovePrinter(name));
    const OnlinePrinter device(name, "USB002");
    ReadyRun run;
    ASSERT_TRUE(run.Ready()) << run.Problem();
    ASSERT_TRUE(SendBounded(run.Control(kPrinterNameBox), WM_SETTEXT, 0,
                            reinterpret_cast<LPARAM>(name.c_str())));
    InstallAndWait(run);
    const std::optional<PrinterView> printer = ReadPrinter(name);
    ASSERT_TRUE(printer.has_value());
    EXPECT_EQ(printer->port, "USB002");
    EXPECT_EQ(printer->driver, kFirstDriver);
    Finish(run);
}

TEST_F(ReceiptInstallTest, NobodyOnLineAsksThenCompletes) {
    const RegistryValueGuard version(HKEY_CURRENT_USER, "Software\\Wine", "Version",
                                     std::optional<std::string>("win10"));
    ASSERT_TRUE(version.Applied()) << version.Error();
    ReadyRun run;
    ASSERT_TRUE(run.Ready()) << run.Problem();
    PostMessageA(run.Control(kInstallButton), BM_CLICK, 0, 0);
    HWND box = WaitForProcessWindow(run.Session().Process().Handle(), run.ProcessId(),
                                    "Fail to select port", kInstallTimeoutMs);
    ASSERT_NE(box, nullptr) << "status: " << ReadWindowText(run.Control(kStatusLine)).value_or("?");
    PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitForWindowText(run.Control(kInstallButton), "&Finish", kInstallTimeoutMs));
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
    ASSERT_TRUE(SendBounded(second.Control(kSetDefaultBox), BM_CLICK, 0, 0));
    ASSERT_EQ(std::optional<UINT>(BST_UNCHECKED), ReadCheckState(second.Dialog(), kSetDefaultBox));
    InstallAndWait(second);
    EXPECT_EQ("USB002", ReadPrinter(kFirstDriver).value_or(PrinterView{}).port);
    EXPECT_EQ(std::optional<std::string>("Other,winspool,LPT1:"),
              ReadRegistryString(HKEY_CURRENT_USER, kWindowsKey, "Device"));
    Finish(second);
}

// --- Label printers: the language monitor first, then the driver.

constexpr char kLabelDriver[] = "3150TF(Label)";
constexpr char kMonitor[] = "Advanced Language Monitor";
constexpr char kMonitorDll[] = "C:\\windows\\SysWOW64\\ldaNLM64.dll";

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

// Keeps the text of the first static with text in `*found`.
BOOL CALLBACK TakeStaticText(HWND child, LPARAM found) {
    char className[16] = {};
    GetClassNameA(child, className, sizeof className);
    const std::optional<std::string> shown = ReadWindowText(child);
    if (lstrcmpiA(className, "Static") == 0 && shown && !shown->empty()) {
        *reinterpret_cast<std::string*>(found) = *shown;
        return FALSE;
    }
    return TRUE;
}

// The message of a message box: the text of its static that is not its icon.
std::string BoxText(HWND box) {
    std::string text;
    EnumChildWindows(box, TakeStaticText, reinterpret_cast<LPARAM>(&text));
    return text;
}

class LabelInstallTest : public ReceiptInstallTest {
protected:
    // A ready run with the label model chosen in the driver box.
    void ChooseLabel(ReadyRun& run) {
        ASSERT_TRUE(run.Ready()) << run.Problem();
        ASSERT_TRUE(ChooseComboItem(run.Dialog(), kDriverCombo, kLabelDriver));
    }
};

TEST_F(LabelInstallTest, InstallsTheMonitorTheDriverAndThePrinterNamedAfterIt) {
    ASSERT_TRUE(RemovePrinter(kLabelDriver));
    ReadyRun run;
    ChooseLabel(run);
    ASSERT_TRUE(SendBounded(run.Control(kPrinterNameBox), WM_SETTEXT, 0,
                            reinterpret_cast<LPARAM>("Typed name")));
    InstallAndWait(run);

    EXPECT_EQ(std::optional<std::string>(kMonitorDll), MonitorDll(kMonitor));
    const std::string driverKey =
        std::string("SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\"
                    "Drivers\\Version-3\\") + kLabelDriver;
    EXPECT_EQ(std::optional<std::string>("VXLDRV56.DLL"),
              ReadRegistryString(HKEY_LOCAL_MACHINE, driverKey, "Driver"));
    EXPECT_EQ(std::optional<std::string>(kMonitor),
              ReadRegistryString(HKEY_LOCAL_MACHINE, driverKey, "Monitor"));
    for (const char* kept : {"VXLENG56.DLL", "VXLPBR56.DLL", "QV315TF.BA0", "QV315TF.PP0"}) {
        EXPECT_TRUE(FileExists(std::string(kDriverDir) + "\\3\\" + kept)) << kept;
    }
    for (const char* staged : {"VXLDRV56.DLL", "VXLENG56.DLL", "ldaNLM64.dll", "VORELIN.chm",
                               "QV315TF.BA0", "QV315TF.DAT", "QV315TF.PP0"}) {
        EXPECT_FALSE(FileExists(std::string(kDriverDir) + "\\" + staged)) << staged;
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
    EXPECT_EQ(std::optional<std::string>(kMonitorDll), MonitorDll(kMonitor));
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
    ASSERT_TRUE(CopyFileA((std::string(system) + "\\version.dll").c_str(),
                          "C:\\Barcode\\x64\\ldaNLM64.dll", FALSE));
    PostMessageA(run.Control(kInstallButton), BM_CLICK, 0, 0);
    HWND box = WaitForProcessWindow(run.Session().Process().Handle(), run.ProcessId(), "installer",
                                    kInstallTimeoutMs);
    ASSERT_NE(box, nullptr) << "status: " << ReadWindowText(run.Control(kStatusLine)).value_or("?");
    EXPECT_EQ("Failed to add Monitor\r\n", BoxText(box));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(run.Session().WaitForExit());
    EXPECT_FALSE(FileExists("C:\\Barcode"));
    EXPECT_FALSE(FileExists(std::string(kDriverDir) + "\\VXLDRV56.DLL")) << "nothing staged";
}

}  // namespace
}  // namespace e2e
