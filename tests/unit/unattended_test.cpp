// The installer run from a command line against the simulated Windows: the
// same dialog and installation, every box and modal child answered without
// a person, a log of what happened, and one exit code per outcome.
#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <thread>

#include "app/globals.h"
#include "install_support.h"
#include "platform/sim/sim_command_line_host.h"
#include "unattended/installation_lock.h"
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
    // A lock another run holds, given back when the test ends.
    std::unique_ptr<CInstallationLock> held;
    std::size_t ports = h.win.spooler().Ports().size();
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
                             "] the printer: installed on the port found or chosen; port \"USB002\" (confirmed); "
                             "default printer yes\r\n",
                             "] result 0 (done): installed on the port found or chosen, listed, or removed\r\n"}) {
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
    const char* outcome;  // as the log's last line names it
    const char* printer;  // the printer the run leaves, "" for none
    const char* port;
};

void PrintTo(const BoxCase& c, std::ostream* os) { *os << c.what; }

class UnattendedBoxes : public Unattended, public testing::WithParamInterface<BoxCase> {};

TEST_P(UnattendedBoxes, EachIsAnsweredAsACarefulPersonWouldAndEndsInItsCode) {
    const BoxCase& c = GetParam();
    if (c.setUp) c.setUp(*this);
    EXPECT_EQ(Run(std::string(c.line) + " /log C:\\logs\\run.log", DriveProbe), c.exitCode);
    for (const char* line : c.logged) EXPECT_NE(Log().find(line), std::string::npos) << line << "\n" << Log();
    const std::string last = "] result " + std::to_string(c.exitCode) + " (" + c.outcome + "): ";
    EXPECT_NE(Log().find(last), std::string::npos) << last << "\n" << Log();
    EXPECT_EQ(PortOf(c.printer), c.port);
    EXPECT_EQ(h.win.spooler().PrinterNames().size(), *c.printer == '\0' ? 0u : 1u);
    EXPECT_FALSE(h.win.files().Exists("C:\\DriverName.cfg"));
}

void OnWindows10(Unattended& fx) { fx.h.win.system().SetVersion(plat::kVerPlatformWin32Nt, 10, 0, 19041); }
constexpr const char* kNoUsbAnswer =
    "box \"Fail to select port\": \"Failed to select USB port,please check the port is "
    "connected.\\r\\n\\r\\nClick Retry:Retry to select usb port";

INSTANTIATE_TEST_SUITE_P(
    Kinds, UnattendedBoxes,
    testing::Values(
        BoxCase{"no USB port answers", OnWindows10, "/install \"Driver 0\" /port usb",
                {kNoUsbAnswer, "] the printer: installed, but no port answered: the printer is on a fallback "
                               "port; port \"LPT1:\" (not confirmed)"},
                0, "fallback-port", "Driver 0", "LPT1:"},
        BoxCase{"no USB port answers, one required", OnWindows10, "/install \"Driver 0\" /port usb /requireport",
                {kNoUsbAnswer, "] the printer stays installed on its fallback port; /requireport makes that a failure"},
                1603, "fallback-port", "Driver 0", "LPT1:"},
        BoxCase{"refused driver", [](Unattended& fx) { fx.h.win.FailAlways("AddPrinterDriverExA", 5); },
                "/install \"Driver 0\"",
                {"box \"Error\": \"Failed to add the driver 5\\r\\n",
                 "] platform: AddPrinterDriverExA(\"SK200K8\", \"Windows x64\") failed, error 5\r\n"},
                1603, "driver-refused", "", ""},
        BoxCase{"refused monitor", [](Unattended& fx) { fx.h.win.FailAlways("AddMonitorA", 5); },
                "/install \"Driver 30\"", {"box \"installer\": \"Failed to add Monitor\\r\\n\" -> OK"}, 1603,
                "monitor-refused", "", ""},
        BoxCase{"refused printer", [](Unattended& fx) { fx.h.win.FailAlways("AddPrinterA", 1796); },
                "/install \"Driver 0\" /port parallel",
                {"box \"Prompt\": \"There's no available useful port,please select other type of port\" -> OK"},
                1603, "printer-not-created", "", ""},
        BoxCase{"registry writes refused",
                [](Unattended& fx) {
                    OnWindows10(fx);
                    fx.h.win.spooler().AddPort("USB001", "Virtual printer port for USB");
                    fx.h.win.FailAlways("RegSetValueExA", 5);
                },
                "/install \"Driver 0\" /port usb",
                {"box \"installer\": \"Error\xA3\xBA" "Failed to set regist\" -> OK",
                 "box \"installer\": \"Failed to read Registry\" -> OK",
                 "] failed step: the default printer could not be set\r\n",
                 "] failed step: a printer's port could not be written\r\n"},
                1603, "step-failed", "Driver 0", "USB001"},
        BoxCase{"the default printer's key missing",
                [](Unattended& fx) {
                    fx.h.win.registry().RegDeleteKeyA(plat::RootKey::CurrentUser, kDeviceKey);
                },
                "/install \"Driver 0\" /port parallel", {"] failed step: the default printer could not be set\r\n"},
                1603, "step-failed", "Driver 0", "LPT1:"},
        BoxCase{"the spooler stuck stopping",
                [](Unattended& fx) {
                    OnWindows10(fx);
                    fx.h.win.spooler().AddPort("USB001", "Virtual printer port for USB");
                    fx.h.win.SetCallHook([&fx](std::string_view op) {
                        if (op == "AddPrinterA") fx.h.win.services().SetStuck("Spooler", true);
                    });
                },
                "/install \"Driver 0\" /port usb",
                {"box \"installer\": \"The service \"Spooler\" did not reach the expected state in time.\"",
                 "] failed step: the spooler did not reach the state asked for in time\r\n"},
                1603, "step-failed", "Driver 0", "USB001"},
        BoxCase{"spooler state unknown at start-up",
                [](Unattended& fx) { fx.h.win.FailNext("QueryServiceStatus", 5); },
                "/install \"Driver 0\" /port parallel",
                {"box \"installer\": \"Service status is unknown\" -> OK"}, 0, "done", "Driver 0", "LPT1:"},
        BoxCase{"parallel port dialog", nullptr, "/install \"Driver 0\" /port lpt2:",
                {"dialog \"Select A Parallel Port\": OK, with \"LPT2:\""}, 0, "done", "Driver 0", "LPT2:"},
        BoxCase{"parallel port dialog, the name without its colon", nullptr, "/install \"Driver 0\" /port LPT2",
                {"dialog \"Select A Parallel Port\": OK, with \"LPT2:\""}, 0, "done", "Driver 0", "LPT2:"},
        BoxCase{"TCP/IP port dialog",
                [](Unattended& fx) {
                    for (const char* port : {"IP_10.0.0.7", "IP_10.0.0.8"}) {
                        fx.h.win.spooler().AddPort(port, kTcpip, kTcpip);
                    }
                },
                "/install \"Driver 0\" /port tcpip",
                {"dialog \"Configure TCP/IP PrinterPort\": OK, with \"IP_10.0.0.7\""}, 0, "done", "Driver 0",
                "IP_10.0.0.7"},
        BoxCase{"serial prompt, nobody answers, a port held by another program",
                [](Unattended& fx) {
                    fx.AddComPorts();
                    fx.h.win.serial().SetBusy(1, true);
                },
                "/install \"Driver 0\" /port serial /baud 9600",
                {"dialog \"Prompt(automatically select the available serial port) \": Yes, at 9600 baud",
                 "] platform: CreateFileA(\"\\\\.\\COM1\") failed, error 5\r\n"},
                0, "fallback-port", "Driver 0", "COM1:"},
        BoxCase{"serial prompt, the printer answers on COM2",
                [](Unattended& fx) {
                    fx.AddComPorts();
                    fx.h.win.serial().AddPort(2, sim::StatusAnsweringPrinter());
                },
                "/install \"Driver 0\" /port serial",
                {"] status: \"The available printer port:  COM2:\"",
                 "] the printer: installed on the port found or chosen; port \"COM2:\" (confirmed)"},
                0, "done", "Driver 0", "COM2:"}),
    [](const testing::TestParamInfo<BoxCase>& param) {
        std::string name = param.param.what;
        for (char& ch : name) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        return name;
    });

struct RefusalCase {
    const char* what;
    std::function<void(Unattended&)> setUp;
    const char* line;
    int exitCode;
    const char* logged;
    std::size_t dialogs;  // 1: refused after the start-up, 0: before any dialog
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.what; }

class UnattendedRefusals : public Unattended, public testing::WithParamInterface<RefusalCase> {};

TEST_P(UnattendedRefusals, InstallNothingAndLeaveNothing) {
    const RefusalCase& c = GetParam();
    if (c.setUp) c.setUp(*this);
    EXPECT_EQ(Run(std::string(c.line) + " /quiet /log C:\\logs\\run.log"), c.exitCode);
    EXPECT_NE(Log().find(c.logged), std::string::npos) << Log();
    EXPECT_TRUE(h.win.spooler().PrinterNames().empty());
    EXPECT_FALSE(h.win.spooler().Driver("Windows x64", "SK200K8"));
    EXPECT_FALSE(h.win.files().Exists("C:\\Ticket"));
    EXPECT_FALSE(h.win.spooler().Ports().size() > ports) << "a port was made";
    EXPECT_EQ(h.ui.Dialogs(IDD_INSTALLER_DIALOG).size(), c.dialogs);
}

void WriteConfig(Unattended& fx) {
    fx.h.win.files().WriteFile("C:\\dist\\printers.ini", "[Printer.1]\r\nDriver=Driver 0\r\n\r\n[Printer.2]\r\n"
                                                         "Driver=No such driver\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, UnattendedRefusals,
    testing::Values(
        RefusalCase{"unknown driver", nullptr, "/install \"No such driver\"", 1639,
                    "\"No such driver\" is not a driver of the package", 1},
        RefusalCase{"no such port", nullptr, "/install \"Driver 0\" /port LPT9:", 1603, "there is no port \"LPT9:\"", 1},
        RefusalCase{"a serial port by name", nullptr, "/install \"Driver 0\" /port com1", 1603,
                    "\"com1\" is a serial port", 1},
        RefusalCase{"no TCP/IP port", nullptr, "/install \"Driver 0\" /port tcpip", 1603, "there is no TCP/IP port", 1},
        RefusalCase{"a label printer renamed", nullptr, "/install \"Driver 30\" /printer Other", 1639,
                    "a label printer takes its driver's name", 1},
        RefusalCase{"a config file naming a driver the package lacks", WriteConfig, "/config printers.ini", 1639,
                    "bad command line: printers.ini line 4: \"No such driver\" is not a driver of the package", 1},
        RefusalCase{"no config file", nullptr, "/config missing.ini", 1639,
                    "the file \"missing.ini\" cannot be read", 0},
        RefusalCase{"a result file among the working files", nullptr,
                    "/install \"Driver 0\" /result C:\\Ticket\\r.json", 1639,
                    "\"C:\\Ticket\\r.json\" lies among the working files the installer deletes", 0},
        RefusalCase{"not an administrator",
                    [](Unattended& fx) { fx.h.win.system().SetAdministrator(false); }, "/install \"Driver 0\"", 740,
                    "this run lacks an administrator's rights", 0},
        RefusalCase{"the print server refuses", [](Unattended& fx) { fx.h.win.FailNext("OpenPrinterA", 5); },
                    "/remove \"Driver 0\"", 740, "the print server refuses this run the right to install", 0},
        RefusalCase{"another installation runs",
                    [](Unattended& fx) {
                        fx.held = std::make_unique<CInstallationLock>(fx.h.win.system());
                        ASSERT_TRUE(fx.held->Take(0, nullptr));
                    },
                    "/install \"Driver 0\"", 1618, "another installation by this installer is running", 0},
        RefusalCase{"the TCP/IP monitor refuses the port",
                    [](Unattended& fx) { fx.h.win.FailAlways("XcvDataW", 5); },
                    "/install \"Driver 0\" /port tcpip:10.0.0.9", 1603,
                    "no TCP/IP port for 10.0.0.9:9100: the spooler refused to ask the monitor for the port (error 5)",
                    1}),
    [](const testing::TestParamInfo<RefusalCase>& param) {
        std::string name = param.param.what;
        for (char& ch : name) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        return name;
    });

TEST_F(Unattended, WithoutThePackageTheCodeSaysSo) {
    h.win.files().DeleteFileA("C:\\dist\\DriverData.Drv");
    EXPECT_EQ(Run("/list /quiet"), 1603);
    EXPECT_NE(Log(kQuietLog).find("result 1603 (no-package): DriverData.Drv or 7-zip32.dll is missing"),
              std::string::npos);
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

    EXPECT_EQ(Run("/remove Back /quiet /log C:\\logs\\run.log"), 0) << "removed already: nothing to do";
    EXPECT_NE(Log().find("result 0 (no-such-printer): no printer of that name: nothing to remove"),
              std::string::npos);
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
    EXPECT_EQ(Run("/install X /bogus"), 1639);
    ASSERT_EQ(host.Boxes().size(), 1u);
    EXPECT_EQ(host.Boxes()[0].caption, "installer");
    EXPECT_EQ(host.Boxes()[0].text.rfind("unknown option /bogus\r\n\r\ninstaller.exe /install", 0), 0u);

    EXPECT_EQ(Run("/install X /bogus /quiet /result C:\\logs\\r.json"), 1639);
    EXPECT_EQ(host.Boxes().size(), 1u);
    EXPECT_NE(Log(kQuietLog).find("] bad command line: unknown option /bogus\r\n"), std::string::npos);
    EXPECT_NE(Log(kQuietLog).find("]  1618  busy                 another installation"), std::string::npos);
    EXPECT_EQ(h.win.files().ReadFile("C:\\logs\\r.json"),
              "{\"outcome\": \"bad-command-line\", \"exitCode\": 1639, "
              "\"log\": \"C:\\\\windows\\\\Temp\\\\PrinterInstaller.log\", \"printers\": []}\r\n");
    EXPECT_TRUE(h.ui.Dialogs(IDD_INSTALLER_DIALOG).empty()) << "no dialog for a refused line";
}

TEST_F(Unattended, ALogThatCannotBeWrittenGoesToTheTemporaryFolderAndTheRunGoesOn) {
    EXPECT_EQ(Run(R"(/list /log C:\missing\run.log /result C:\logs\r.json)"), 0);
    EXPECT_NE(Log(kQuietLog).find(
                  "] the log file \"C:\\missing\\run.log\" cannot be written: this log is used instead\r\n"),
              std::string::npos)
        << Log(kQuietLog);
    EXPECT_NE(Log(kQuietLog).find("] result 0 (done)"), std::string::npos);
    const std::string result = h.win.files().ReadFile("C:\\logs\\r.json").value_or("");
    EXPECT_NE(result.find(R"("log": "C:\\windows\\Temp\\PrinterInstaller.log", "logFallbackFrom": "C:\\missing\\run.log")"),
              std::string::npos)
        << result;
}

TEST_F(Unattended, InstallAndRemoveEndAsWellWhenRunAgain) {
    for (int run = 0; run < 2; ++run) {
        g_bPortFound = true;
        EXPECT_EQ(Run("/install \"Driver 0\" /port parallel /quiet /log C:\\logs\\run.log"), 0) << Log();
        EXPECT_EQ(h.win.spooler().PrinterNames(), std::vector<std::string>{"Driver 0"});
    }
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(Run("/remove \"Driver 0\" /quiet /log C:\\logs\\run.log"), 0) << Log();
        EXPECT_TRUE(h.win.spooler().PrinterNames().empty());
    }
}

TEST_F(Unattended, ConfigInstallsEveryPrinterInFileOrderWithOneStartUp) {
    h.win.files().WriteFile("C:\\dist\\shop.ini",
                            "[Printer.1]\r\nDriver=driver 30\r\nPort=parallel\r\n"
                            "[Printer.2]\r\nDriver=Driver 0\r\nName=Till \"A\"\r\nPort=LPT2\r\nDefault=yes\r\n"
                            "[Printer.3]\r\nDriver=Driver 1\r\nName=Kitchen\r\nPort=tcpip\r\n");
    EXPECT_EQ(Run("/config shop.ini /quiet /log C:\\logs\\run.log /result C:\\logs\\r.json"), 1603) << Log();

    EXPECT_EQ(h.ui.Dialogs(IDD_INSTALLER_DIALOG).size(), 1u) << "one start-up for every printer";
    const std::string log = Log();
    EXPECT_EQ(log.find("status: \"Reading driver file...\""), log.rfind("status: \"Reading driver file...\""));
    EXPECT_EQ(PortOf("Driver 30"), "LPT1:");
    EXPECT_EQ(PortOf("Till \"A\""), "LPT2:");
    EXPECT_FALSE(h.win.spooler().Printer("Kitchen")) << "there is no TCP/IP port";
    EXPECT_EQ(h.win.registry().GetString(plat::RootKey::CurrentUser, kDeviceKey, "Device"),
              "Till \"A\",winspool,LPT2:");
    EXPECT_LT(log.find("] printer 1 \"Driver 30\": installed"), log.find("] printer 2 \"Till \"A\"\": installed"));
    EXPECT_NE(log.find("] result 1603 (no-such-port)"), std::string::npos) << "the worst of the three";
    EXPECT_EQ(h.win.files().ReadFile("C:\\logs\\r.json"),
              "{\"outcome\": \"no-such-port\", \"exitCode\": 1603, \"log\": \"C:\\\\logs\\\\run.log\", \"printers\": ["
              "{\"name\": \"Driver 30\", \"driver\": \"3150TF(Label)\", \"environment\": \"Windows x64\", "
              "\"port\": \"LPT1:\", \"portConfirmed\": true, \"default\": false, \"outcome\": \"done\"}, "
              "{\"name\": \"Till \\\"A\\\"\", \"driver\": \"SK200K8\", \"environment\": \"Windows x64\", "
              "\"port\": \"LPT2:\", \"portConfirmed\": true, \"default\": true, \"outcome\": \"done\"}, "
              "{\"name\": \"Kitchen\", \"driver\": \"Driver 1\", \"environment\": \"\", "
              "\"port\": \"\", \"portConfirmed\": false, \"default\": false, \"outcome\": \"no-such-port\"}]}\r\n");
    EXPECT_FALSE(h.win.files().Exists("C:\\Ticket")) << "Finish removes the working files";
}

TEST_F(Unattended, VerifyAnswersFromTheSpoolerAloneAndChangesNothing) {
    h.win.spooler().AddDriverForTests("SK200K8");
    AddPrinterOnLpt1(h, "Front desk", "SK200K8");
    struct Case {
        const char* line;
        int exitCode;
        const char* printed;
    };
    const Case cases[] = {
        {"/verify \"front desk\"", 0, "\"Front desk\" is installed: driver \"SK200K8\", port \"LPT1:\"\r\n"},
        {"/verify \"Front desk\" /driver sk200k8 /port lpt1", 0, "\"Front desk\" is installed"},
        {"/verify \"Front desk\" /driver Other", 1, "port \"LPT1:\"; not the driver \"Other\"\r\n"},
        {"/verify \"Front desk\" /port USB001", 1, "; not on port \"USB001\"\r\n"},
        {"/verify Back", 1, "there is no printer \"Back\"\r\n"},
    };
    for (const Case& c : cases) {
        const std::size_t before = host.ConsoleText().size();
        EXPECT_EQ(Run(c.line), c.exitCode) << c.line;
        const std::string printed = host.ConsoleText().substr(before);
        EXPECT_NE(printed.find(c.printed), std::string::npos) << c.line << " printed " << printed;
    }
    EXPECT_TRUE(h.ui.Dialogs(IDD_INSTALLER_DIALOG).empty());
    EXPECT_FALSE(h.win.files().Exists(kQuietLog));
    EXPECT_EQ(h.win.faults().CallCount("SevenZip"), 0);
    EXPECT_EQ(h.win.faults().CallCount("StartServiceA"), 0);
}

TEST_F(Unattended, ASecondRunWaitsForTheFirstOrEndsHavingChangedNothing) {
    // A mutex belongs to the thread that took it: another run's thread
    // holds it for a while.
    std::promise<void> taken;
    std::thread other([&] {
        CInstallationLock lock(h.win.system());
        EXPECT_TRUE(lock.Take(0, nullptr));
        taken.set_value();
        std::this_thread::sleep_for(300ms);
    });
    taken.get_future().wait();
    EXPECT_EQ(Run("/install \"Driver 0\" /port parallel /wait 20 /quiet /log C:\\logs\\run.log"), 0) << Log();
    other.join();
    EXPECT_TRUE(h.win.spooler().Printer("Driver 0"));
    EXPECT_FALSE(h.win.system().MutexOwned(kInstallationMutexName)) << "given back at the end";

    // A person's dialog beside a running installation.
    held = std::make_unique<CInstallationLock>(h.win.system());
    ASSERT_TRUE(held->Take(0, nullptr));
    EXPECT_EQ(Run(""), 1618);
    ASSERT_EQ(host.Boxes().size(), 1u);
    EXPECT_EQ(host.Boxes()[0].text.rfind("Another installation by this installer is running.", 0), 0u);
    EXPECT_TRUE(h.ui.Dialogs(IDD_INSTALLER_DIALOG).size() == 1u) << "only the first run's";
}

TEST_F(Unattended, ATcpipAddressMakesItsPortOnceAndFindsItAfterwards) {
    h.win.spooler().AddTcpipPort(plat::TcpipPortData{"Kitchen", "10.0.0.8", 9100});
    host.SetAnswering("10.0.0.8:9100");
    EXPECT_EQ(Run("/install \"Driver 0\" /port tcpip:10.0.0.8 /quiet /log C:\\logs\\run.log"), 0) << Log();
    EXPECT_EQ(PortOf("Driver 0"), "Kitchen") << "the port of that address, whatever its name";
    EXPECT_NE(Log().find("] uses the TCP/IP port \"Kitchen\" for 10.0.0.8:9100\r\n"), std::string::npos);
    EXPECT_NE(Log().find("] 10.0.0.8:9100 answers\r\n"), std::string::npos);

    for (int run = 0; run < 2; ++run) {
        g_bPortFound = true;
        EXPECT_EQ(Run("/install \"Driver 0\" /port TCPIP:10.0.0.9:9101 /quiet /log C:\\logs\\run.log"), 0) << Log();
        EXPECT_EQ(PortOf("Driver 0"), "IP_10.0.0.9_9101");
    }
    const auto made = h.win.spooler().TcpipPort("IP_10.0.0.9_9101");
    ASSERT_TRUE(made);
    EXPECT_EQ(made->hostAddress, "10.0.0.9");
    EXPECT_EQ(made->portNumber, 9101u);
    EXPECT_EQ(made->protocol, plat::kTcpipProtocolRaw);
    const std::string log = Log();
    EXPECT_EQ(log.find("] made the TCP/IP port \"IP_10.0.0.9_9101\" for 10.0.0.9:9101\r\n"),
              log.rfind("] made the TCP/IP port")) << "made once, found the second time";
    EXPECT_NE(log.find("] uses the TCP/IP port \"IP_10.0.0.9_9101\""), std::string::npos);
    EXPECT_NE(log.find("] 10.0.0.9:9101 does not answer (the printer may be off); the port is used all the same"),
              std::string::npos);
}

TEST_F(Unattended, AWindowClosedByAPersonCancelsTheRun) {
    Gate& unpacking = h.HoldAt("SevenZip");
    EXPECT_EQ(Run("/install \"Driver 0\" /port parallel /log C:\\logs\\run.log",
                  [&](sim::SimDialog& dlg) {
                      ASSERT_TRUE(unpacking.WaitReached());
                      dlg.Close();
                      unpacking.Release();
                  }),
              1602);
    EXPECT_NE(Log().find("] the window was closed before the run had finished\r\n"), std::string::npos) << Log();
    EXPECT_NE(Log().find("] result 1602 (cancelled)"), std::string::npos);
    EXPECT_TRUE(h.win.spooler().PrinterNames().empty());
}

TEST_F(Unattended, WithoutArgumentsTheDialogIsAPersons) {
    EXPECT_EQ(Run("  ", [](sim::SimDialog& dlg) { dlg.Close(); }), 0);
    EXPECT_FALSE(h.ui.DialogsHidden());
    EXPECT_TRUE(h.win.files().List("C:\\logs").empty());
    EXPECT_FALSE(h.win.files().Exists(kQuietLog));
}

}  // namespace
