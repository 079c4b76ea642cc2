// The installer run from a command line against the simulated Windows: the
// same dialog and installation, every box and modal child answered without
// a person, a log of what happened, and one exit code per outcome.
#include <gtest/gtest.h>

#include <functional>
#include <future>

#include "app/globals.h"
#include "install_support.h"
#include "platform/sim/sim_command_line_host.h"
#include "unattended/program.h"

namespace {

using namespace std::chrono_literals;
constexpr char kLog[] = "C:\\logs\\run.log";
constexpr char kQuietLog[] = "C:\\windows\\Temp\\PrinterInstaller.log";
constexpr char kDeviceKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
constexpr char kTcpip[] = "Standard TCP/IP Port";

class Unattended : public testing::Test {
public:
    void SetUp() override {
        PlaceReceiptPackage(h);
        h.win.files().MakeDirectories("C:\\logs");
        g_bPortFound = true;  // one run of the program each
    }
    void TearDown() override { h.ui.AbortAll(); }

    // Runs installer.exe with `line` on a thread of its own; `meanwhile`
    // gets the dialog once it shows. Returns the exit code.
    int Run(const std::string& line, const std::function<void(sim::SimDialog&)>& meanwhile = {}) {
        std::future<int> code = std::async(std::launch::async, [&] { return RunProgram(h.platform, host, line); });
        if (meanwhile) {
            if (sim::SimDialog* dlg = h.ui.WaitForDialog(IDD_INSTALLER_DIALOG)) meanwhile(*dlg);
        }
        if (code.wait_for(60s) != std::future_status::ready) {
            ADD_FAILURE() << line << " did not end";
            h.ui.AbortAll();
        }
        return code.get();
    }
    std::string Log(const char* path = kLog) { return h.win.files().ReadFile(path).value_or(""); }
    std::string PortOf(const std::string& printer) {
        auto info = h.win.spooler().Printer(printer);
        return info ? info->portName : "";
    }
    void AddComPorts() {
        h.win.registry().SetString(plat::RootKey::LocalMachine, "HARDWARE\\DEVICEMAP\\SERIALCOMM",
                                   "\\Device\\Serial1", "COM2");
        h.win.serial().AddPort(1);
        h.win.serial().AddPort(2);
    }

    InstallerHarness h{/*withPackage=*/false, ""};
    sim::SimCommandLineHost host{h.win.files()};
};

// Fires the serial probe's timer until the dialog ends.
void DriveProbe(sim::SimDialog& dlg) {
    for (int tick = 0; tick < 200 && !dlg.WaitForEnd(10ms); ++tick) {
        if (dlg.ActiveTimers().count(PROBE_TIMER_ID) != 0 && dlg.FireTimer(PROBE_TIMER_ID)) dlg.WaitIdle();
    }
}

TEST_F(Unattended, InstallsQuietlyAndAppendsOneLinePerEventToTheLog) {
    h.win.system().SetVersion(plat::kVerPlatformWin32Nt, 10, 0, 19041);
    h.win.spooler().SetDeviceOnPort("USB002", true);
    for (const char* port : {"USB001", "USB002"}) h.win.spooler().AddPort(port, "Virtual printer port for USB");
    ASSERT_TRUE(h.win.files().WriteFile(kLog, "an earlier run\r\n"));

    EXPECT_EQ(Run(R"(/install "driver 0" /port usb /quiet /log C:\logs\run.log)"), 0);

    EXPECT_TRUE(h.ui.DialogsHidden());
    EXPECT_TRUE(host.Boxes().empty());
    EXPECT_EQ(PortOf("Driver 0"), "USB002");
    EXPECT_EQ(h.win.registry().GetString(plat::RootKey::CurrentUser, kDeviceKey, "Device"),
              "Driver 0,winspool,USB001");
    EXPECT_FALSE(h.win.files().Exists("C:\\Ticket")) << "Finish removes the working files";
    const std::string log = Log();
    EXPECT_EQ(log.rfind("an earlier run\r\n[", 0), 0u) << log;
    for (const char* line : {"] installer /install \"driver 0\" /port usb /quiet /log C:\\logs\\run.log\r\n",
                             "] status: \"Reading driver file...\"\r\n",
                             "] install: driver \"Driver 0\", printer \"Driver 0\", USB port, default printer yes\r\n",
                             "] status: \"Checking  USB002 ....\"\r\n",
                             "] status: \"The installation is completed.\"\r\n", "] button: \"&Finish\"\r\n",
                             "] result 0: done: installed on the port found or chosen, listed, or removed\r\n"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    }
    EXPECT_EQ(log.find("OpenPrinterA"), std::string::npos) << "a printer looked for and not found is no failure";
    EXPECT_EQ(log.find("status: \"Checking  USB002 ....\"\r\n"),
              log.rfind("status: \"Checking  USB002 ....\"\r\n")) << "a status is logged when it changes";
}

struct BoxCase {
    const char* what;
    std::function<void(Unattended&)> setUp;
    const char* line;
    std::vector<const char*> logged;  // the box or dialog with its answer, ...
    int exitCode;
    const char* printer;  // the printer the run leaves, "" for none
    const char* port;
};

class UnattendedBoxes : public Unattended, public testing::WithParamInterface<BoxCase> {};

TEST_P(UnattendedBoxes, EachIsAnsweredAsACarefulPersonWouldAndEndsInItsCode) {
    const BoxCase& c = GetParam();
    if (c.setUp) c.setUp(*this);
    EXPECT_EQ(Run(std::string(c.line) + " /log C:\\logs\\run.log", DriveProbe), c.exitCode);
    for (const char* line : c.logged) EXPECT_NE(Log().find(line), std::string::npos) << line << "\n" << Log();
    EXPECT_EQ(PortOf(c.printer), c.port);
    EXPECT_EQ(h.win.spooler().PrinterNames().size(), *c.printer == '\0' ? 0u : 1u);
    EXPECT_FALSE(h.win.files().Exists("C:\\DriverName.cfg"));
}

void OnWindows10(Unattended& fx) { fx.h.win.system().SetVersion(plat::kVerPlatformWin32Nt, 10, 0, 19041); }

INSTANTIATE_TEST_SUITE_P(
    Kinds, UnattendedBoxes,
    testing::Values(
        BoxCase{"no USB port answers", OnWindows10, "/install \"Driver 0\" /port usb",
                {"box \"Fail to select port\": \"Failed to select USB port,please check the port is "
                "connected.\\r\\n\\r\\nClick Retry:Retry to select usb port"},
                1, "Driver 0", "LPT1:"},
        BoxCase{"refused driver", [](Unattended& fx) { fx.h.win.FailAlways("AddPrinterDriverExA", 5); },
                "/install \"Driver 0\"",
                {"box \"Error\": \"Failed to add the driver 5\\r\\n",
                 "] platform: AddPrinterDriverExA(\"SK200K8\", \"Windows x64\") failed, error 5\r\n"},
                5, "", ""},
        BoxCase{"refused monitor", [](Unattended& fx) { fx.h.win.FailAlways("AddMonitorA", 5); },
                "/install \"Driver 30\"", {"box \"installer\": \"Failed to add Monitor\\r\\n\" -> OK"}, 6, "", ""},
        BoxCase{"refused printer", [](Unattended& fx) { fx.h.win.FailAlways("AddPrinterA", 1796); },
                "/install \"Driver 0\" /port parallel",
                {"box \"Prompt\": \"There's no available useful port,please select other type of port\" -> OK"},
                7, "", ""},
        BoxCase{"spooler state unknown at start-up",
                [](Unattended& fx) { fx.h.win.FailNext("QueryServiceStatus", 5); },
                "/install \"Driver 0\" /port parallel",
                {"box \"installer\": \"Service status is unknown\" -> OK"}, 0, "Driver 0", "LPT1:"},
        BoxCase{"parallel port dialog", nullptr, "/install \"Driver 0\" /port lpt2:",
                {"dialog \"Select A Parallel Port\": OK, with \"LPT2:\""}, 0, "Driver 0", "LPT2:"},
        BoxCase{"TCP/IP port dialog",
                [](Unattended& fx) {
                    for (const char* port : {"IP_10.0.0.7", "IP_10.0.0.8"}) {
                        fx.h.win.spooler().AddPort(port, kTcpip, kTcpip);
                    }
                },
                "/install \"Driver 0\" /port tcpip",
                {"dialog \"Configure TCP/IP PrinterPort\": OK, with \"IP_10.0.0.7\""}, 0, "Driver 0",
                "IP_10.0.0.7"},
        BoxCase{"serial prompt", [](Unattended& fx) { fx.AddComPorts(); },
                "/install \"Driver 0\" /port serial /baud 9600",
                {"dialog \"Prompt(automatically select the available serial port) \": Yes, at 9600 baud"}, 1,
                "Driver 0", "COM1:"}),
    [](const testing::TestParamInfo<BoxCase>& param) {
        std::string name = param.param.what;
        for (char& ch : name) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        return name;
    });

struct RefusalCase {
    const char* line;
    int exitCode;
    const char* logged;
};

class UnattendedRefusals : public Unattended, public testing::WithParamInterface<RefusalCase> {};

TEST_P(UnattendedRefusals, InstallNothingAndLeaveNothing) {
    const RefusalCase& c = GetParam();
    EXPECT_EQ(Run(std::string(c.line) + " /quiet /log C:\\logs\\run.log"), c.exitCode);
    EXPECT_NE(Log().find(c.logged), std::string::npos) << Log();
    EXPECT_TRUE(h.win.spooler().PrinterNames().empty());
    EXPECT_FALSE(h.win.spooler().Driver("Windows x64", "SK200K8"));
    EXPECT_FALSE(h.win.files().Exists("C:\\Ticket"));
    EXPECT_EQ(h.ui.Dialogs(IDD_INSTALLER_DIALOG).size(), 1u) << "the same start-up ran";
}

INSTANTIATE_TEST_SUITE_P(
    Lines, UnattendedRefusals,
    testing::Values(
        RefusalCase{"/install \"No such driver\"", 3, "\"No such driver\" is not a driver of the package"},
        RefusalCase{"/install \"Driver 0\" /port LPT9:", 8, "there is no port \"LPT9:\""},
        RefusalCase{"/install \"Driver 0\" /port com1", 8, "\"com1\" is a serial port"},
        RefusalCase{"/install \"Driver 0\" /port tcpip", 8, "there is no TCP/IP port"},
        RefusalCase{"/install \"Driver 30\" /printer Other", 2, "a label printer takes its driver's name"}));

TEST_F(Unattended, WithoutThePackageTheCodeSaysSo) {
    h.win.files().DeleteFileA("C:\\dist\\DriverData.Drv");
    EXPECT_EQ(Run("/list /quiet"), 4);
    EXPECT_NE(Log(kQuietLog).find("result 4: DriverData.Drv or 7-zip32.dll is missing"), std::string::npos);
}

TEST_F(Unattended, ListPrintsTheDriverNamesToTheConsoleOrTheLog) {
    EXPECT_EQ(Run("/list"), 0);
    const std::string console = host.ConsoleText();
    EXPECT_EQ(console.rfind("Driver 0\r\nDriver 1\r\nTwice\r\nDriver 2\r\n", 0), 0u) << console;
    EXPECT_NE(console.find("\r\nDriver 34\r\n"), std::string::npos);
    EXPECT_FALSE(h.ui.DialogsHidden());

    host.SetConsole(false);
    EXPECT_EQ(Run("/list /log C:\\logs\\run.log"), 0);
    EXPECT_NE(Log().find("] driver: \"Driver 34\"\r\n"), std::string::npos);
    EXPECT_NE(Log().find("no console to print to"), std::string::npos);
}

TEST_F(Unattended, RemoveKeepsADriverAnotherPrinterUses) {
    h.win.spooler().AddDriverForTests("Shared", "Windows x64");
    for (const char* name : {"Front", "Back"}) AddPrinterOnLpt1(h, name, "Shared");
    EXPECT_EQ(Run("/remove front /quiet /log C:\\logs\\run.log"), 0);
    EXPECT_EQ(h.win.spooler().PrinterNames(), std::vector<std::string>{"Back"});
    EXPECT_TRUE(h.win.spooler().Driver("Windows x64", "Shared"));
    EXPECT_NE(Log().find("driver \"Shared\" stays: printer \"Back\" uses it"), std::string::npos) << Log();

    EXPECT_EQ(Run("/remove Back /quiet /log C:\\logs\\run.log"), 0);
    EXPECT_TRUE(h.win.spooler().PrinterNames().empty());
    EXPECT_FALSE(h.win.spooler().Driver("Windows x64", "Shared"));
    EXPECT_FALSE(h.win.files().Exists("C:\\Ticket")) << "the working files go";

    EXPECT_EQ(Run("/remove Back /quiet /log C:\\logs\\run.log"), 9);
    EXPECT_NE(Log().find("result 9: no printer of that name: nothing removed"), std::string::npos);
}

TEST_F(Unattended, RemovingTheLastLabelPrinterRemovesTheMonitor) {
    for (const char* driver : {"Driver 30", "Driver 31"}) {
        g_bPortFound = true;
        ASSERT_EQ(Run(std::string("/install \"") + driver + "\" /port parallel /quiet"), 0) << Log(kQuietLog);
    }
    ASSERT_TRUE(h.win.spooler().Monitor("Advanced Language Monitor"));
    EXPECT_EQ(Run("/remove \"Driver 30\" /quiet"), 0);
    EXPECT_TRUE(h.win.spooler().Monitor("Advanced Language Monitor")) << "\"Driver 31\" still uses it";
    EXPECT_EQ(Run("/remove \"Driver 31\" /quiet"), 0);
    EXPECT_FALSE(h.win.spooler().Monitor("Advanced Language Monitor"));
    EXPECT_FALSE(h.win.spooler().Driver("Windows x64", "3150T(Label)"));
    EXPECT_NE(Log(kQuietLog).find("remove: \"Advanced Language Monitor\" deleted"), std::string::npos);
}

TEST_F(Unattended, ABadCommandLineShowsTheUsageInABoxOrInTheLog) {
    EXPECT_EQ(Run("/install X /bogus"), 2);
    ASSERT_EQ(host.Boxes().size(), 1u);
    EXPECT_EQ(host.Boxes()[0].caption, "installer");
    EXPECT_EQ(host.Boxes()[0].text.rfind("unknown option /bogus\r\n\r\ninstaller.exe /install", 0), 0u);

    EXPECT_EQ(Run("/install X /bogus /quiet"), 2);
    EXPECT_EQ(host.Boxes().size(), 1u);
    EXPECT_NE(Log(kQuietLog).find("] bad command line: unknown option /bogus\r\n"), std::string::npos);
    EXPECT_NE(Log(kQuietLog).find("]  11  the run ended before it finished"), std::string::npos);

    EXPECT_EQ(Run("/list /log C:\\missing\\run.log"), 2) << "a log that cannot be written";
    EXPECT_TRUE(h.ui.Dialogs(IDD_INSTALLER_DIALOG).empty()) << "no dialog for a refused line";
}

TEST_F(Unattended, WithoutArgumentsTheDialogIsAPersons) {
    EXPECT_EQ(Run("  ", [](sim::SimDialog& dlg) { dlg.Close(); }), 0);
    EXPECT_FALSE(h.ui.DialogsHidden());
    EXPECT_TRUE(h.win.files().List("C:\\logs").empty());
    EXPECT_FALSE(h.win.files().Exists(kQuietLog));
}

}  // namespace
