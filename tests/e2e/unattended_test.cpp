// installer.exe from a command line under Wine: unattended installations
// that show no window, one that shows its dialog and answers the parallel
// port dialog itself, the driver list on standard output, a driver name
// the package lacks, removal of what was installed, the detection rule, a
// /config file of two printers, two runs at once, and a network printer
// whose port is made through the port monitor. The exit code, the spooler,
// the registry, the log and the /result file tell what happened; the
// result files stay for run-unattended.sh to read with a JSON parser.
//
// UNATTENDED_DIST names the distribution folder (installer.exe beside its
// driver package); UNATTENDED_LOGS a folder that keeps the runs' logs.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "printer_probe.h"
#include "sample_drivers.h"
#include "system_facts.h"
#include "tcpip_monitor_setup.h"
#include "win_handle.h"

namespace e2e {
namespace {

constexpr DWORD kRunTimeoutMs = 180000;
constexpr char kPortsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
constexpr char kWindowsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
constexpr char kMonitorKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Advanced Language Monitor";

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The key of `driver` as registered for this Windows' own environment.
std::string DriverKey(const std::string& driver) { return TheSystem().DriverKey(driver); }

bool KeyExists(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

struct Finished {
    DWORD exitCode = STILL_ACTIVE;
    std::string output;        // what it wrote to its standard output
    bool windowShown = false;  // a window of it was ever visible
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM param) {
    auto* process = reinterpret_cast<std::pair<DWORD, bool>*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == process->first && IsWindowVisible(window)) process->second = true;
    return TRUE;
}

// installer.exe from the distribution folder with `arguments`, its standard
// output on a pipe, watched until it ends.
class InstallerRun {
public:
    explicit InstallerRun(const std::string& arguments) : arguments_(arguments) {
        const std::string dist = Env("UNATTENDED_DIST");
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE readEnd = nullptr;
        HANDLE writeEnd = nullptr;
        if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
            ADD_FAILURE() << "CreatePipe failed, last error " << GetLastError();
            return;
        }
        reader_.reset(readEnd);
        UniqueHandle writer(writeEnd);
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writeEnd;
        startup.hStdError = writeEnd;
        const std::string program = dist + "\\installer.exe";
        std::string line = "\"" + program + "\" " + arguments;
        std::vector<char> commandLine(line.begin(), line.end());
        commandLine.push_back('\0');
        PROCESS_INFORMATION info{};
        if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                            dist.c_str(), &startup, &info)) {
            ADD_FAILURE() << "CreateProcess(" << program << ") failed, last error " << GetLastError();
            return;
        }
        process_.reset(info.hProcess);
        CloseHandle(info.hThread);
        watch_ = {info.dwProcessId, false};
        // The pipe ends when the installer's copy closes.
        drain_ = std::thread([this] {
            char buffer[512];
            DWORD got = 0;
            while (ReadFile(reader_.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
                finished_.output.append(buffer, got);
            }
        });
    }
    ~InstallerRun() {
        if (drain_.joinable()) Wait();
    }
    InstallerRun(const InstallerRun&) = delete;
    InstallerRun& operator=(const InstallerRun&) = delete;

    // Waits until it ends (killing it after kRunTimeoutMs) and tells how.
    Finished Wait() {
        if (process_.get() == nullptr) return finished_;
        const ULONGLONG deadline = GetTickCount64() + kRunTimeoutMs;
        while (WaitForSingleObject(process_.get(), 50) == WAIT_TIMEOUT) {
            EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&watch_));
            if (GetTickCount64() > deadline) {
                ADD_FAILURE() << "installer.exe " << arguments_ << " still ran after " << kRunTimeoutMs << " ms";
                TerminateProcess(process_.get(), 255);
                WaitForSingleObject(process_.get(), 10000);
                break;
            }
        }
        GetExitCodeProcess(process_.get(), &finished_.exitCode);
        if (drain_.joinable()) drain_.join();
        finished_.windowShown = watch_.second;
        return finished_;
    }

private:
    const std::string arguments_;
    UniqueHandle reader_;
    UniqueHandle process_;
    std::pair<DWORD, bool> watch_{0, false};
    std::thread drain_;
    Finished finished_;
};

Finished RunInstaller(const std::string& arguments) { return InstallerRun(arguments).Wait(); }

std::string ReadText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class UnattendedTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Two USB ports, and the key of the default printer, which a fresh
        // prefix lacks.
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPortsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
        const BYTE empty[1] = {0};
        for (const char* port : {"USB001", "USB002"}) RegSetValueExA(key, port, 0, REG_SZ, empty, 1);
        RegCloseKey(key);
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kWindowsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
        RegCloseKey(key);
    }
    void SetUp() override {
        ASSERT_FALSE(Env("UNATTENDED_DIST").empty()) << "UNATTENDED_DIST names no distribution folder";
        const std::string logs = Env("UNATTENDED_LOGS");
        log_ = (logs.empty() ? std::string("C:") : logs) + "\\" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
        DeleteFileA(log_.c_str());
    }
    // Runs `arguments` /quiet with this test's log; fails on a shown window.
    Finished Quiet(const std::string& arguments) {
        Finished run = RunInstaller(arguments + " /quiet /log \"" + log_ + "\"");
        EXPECT_FALSE(run.windowShown) << arguments << ": a window showed under /quiet";
        return run;
    }
    std::string Log() { return ReadText(log_); }

    std::string log_;
};

TEST_F(UnattendedTest, ListPrintsTheDriverNamesOneALine) {
    const Finished run = RunInstaller("/list");
    EXPECT_EQ(run.exitCode, 0u);
    std::string expected;
    for (const std::string& name : kSampleDriverNames) expected += name + "\r\n";
    EXPECT_EQ(run.output, expected);
    EXPECT_FALSE(FileExists("C:\\DriverName.cfg")) << "the working files go";
}

TEST_F(UnattendedTest, ADriverNotInThePackageInstallsNothing) {
    const Finished run = Quiet("/install \"SK200K9\" /port usb");
    EXPECT_EQ(run.exitCode, 1639u) << Log();
    EXPECT_FALSE(ReadPrinter("SK200K9").has_value());
    EXPECT_FALSE(ReadPrinter("SK200K8").has_value());
    EXPECT_NE(Log().find("\"SK200K9\" is not a driver of the package"), std::string::npos) << Log();
    EXPECT_NE(Log().find("] result 1639 (unknown-driver): the driver name is not in the driver package"),
              std::string::npos);
}

// /verify as a detection rule: exit code, one printed line, no window, and
// quick; returns how long it took.
ULONGLONG Verify(const std::string& arguments, DWORD exitCode, const std::string& printed) {
    const ULONGLONG start = GetTickCount64();
    const Finished run = RunInstaller("/verify " + arguments);
    const ULONGLONG took = GetTickCount64() - start;
    EXPECT_EQ(run.exitCode, exitCode) << arguments << ": " << run.output;
    EXPECT_EQ(run.output, printed + "\r\n") << arguments;
    EXPECT_FALSE(run.windowShown);
    EXPECT_LT(took, 1000u) << "/verify " << arguments << " took " << took << " ms";
    std::printf("/verify %s: %llu ms\n", arguments.c_str(), static_cast<unsigned long long>(took));
    return took;
}

TEST_F(UnattendedTest, InstallsAReceiptPrinterOnUsbTwiceVerifiesItAndRemovesItTwice) {
    ASSERT_TRUE(RemovePrinter("SK200K8"));
    Verify("\"SK200K8\"", 1, "there is no printer \"SK200K8\"");
    const std::string result = Env("UNATTENDED_LOGS") + "\\install.json";
    for (int pass = 0; pass < 2; ++pass) {
        const Finished run = Quiet("/install \"SK200K8\" /port usb /result \"" + result + "\"");
        ASSERT_EQ(run.exitCode, 0u) << "run " << pass + 1 << "\n" << Log();
    }
    const std::optional<PrinterView> printer = ReadPrinter("SK200K8");
    ASSERT_TRUE(printer.has_value());
    EXPECT_EQ(printer->driver, "SK200K8");
    // Wine reports Windows 7: every USB port is written and the last stays.
    EXPECT_EQ(printer->port, "USB002");
    EXPECT_TRUE(ReadRegistryString(HKEY_LOCAL_MACHINE, DriverKey("SK200K8"), "Driver").has_value())
        << "no driver registered for " << TheSystem().environment;
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kWindowsKey, "Device"),
              std::optional<std::string>("SK200K8,winspool,USB001"));
    EXPECT_FALSE(FileExists("C:\\Ticket"));
    const std::string log = Log();
    for (const char* line : {"] install: driver \"SK200K8\", printer \"SK200K8\", USB port, default printer yes\r\n",
                             "] status: \"Checking  USB002 ....\"\r\n", "] button: \"&Finish\"\r\n",
                             "] status: \"The installation is completed.\"\r\n", "] result 0 (done)"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    }
    const std::string json = ReadText(result);
    for (const std::string& part : {std::string("{\"outcome\": \"done\", \"exitCode\": 0, "),
                                    "\"name\": \"SK200K8\", \"driver\": \"SK200K8\", \"environment\": \"" +
                                        std::string(TheSystem().environment) + "\", \"port\": \"USB002\", "
                                        "\"portConfirmed\": false, \"default\": true, \"outcome\": \"done\"}"}) {
        EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;
    }
    Verify("\"SK200K8\" /driver SK200K8 /port USB002", 0,
           "\"SK200K8\" is installed: driver \"SK200K8\", port \"USB002\"");

    for (int pass = 0; pass < 2; ++pass) {
        const Finished run = Quiet("/remove \"SK200K8\"");
        EXPECT_EQ(run.exitCode, 0u) << "run " << pass + 1 << "\n" << Log();
    }
    EXPECT_NE(Log().find("] result 0 (no-such-printer)"), std::string::npos) << Log();
    EXPECT_FALSE(ReadPrinter("SK200K8").has_value());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, DriverKey("SK200K8")));
    Verify("\"SK200K8\"", 1, "there is no printer \"SK200K8\"");
}

TEST_F(UnattendedTest, AConfigFileInstallsAReceiptAndALabelPrinterWithOneStartUp) {
    const std::string label = "3150TF(Label)";
    const std::string config = Env("UNATTENDED_LOGS") + "\\shop.ini";
    std::ofstream(config, std::ios::binary) << "; two printers of one terminal\r\n"
                                               "[Printer.1]\r\nDriver=SK200K8\r\nName=Receipt\r\nPort=usb\r\nDefault=yes\r\n"
                                               "\r\n[Printer.2]\r\nDriver=" << label << "\r\nPort=parallel\r\n";
    const std::string result = Env("UNATTENDED_LOGS") + "\\config.json";
    const Finished run = Quiet("/config \"" + config + "\" /result \"" + result + "\"");
    ASSERT_EQ(run.exitCode, 0u) << Log();
    ASSERT_TRUE(ReadPrinter("Receipt").has_value());
    EXPECT_EQ(ReadPrinter("Receipt")->port, "USB002");
    ASSERT_TRUE(ReadPrinter(label).has_value());
    EXPECT_EQ(ReadPrinter(label)->port, "LPT1:");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kWindowsKey, "Device"),
              std::optional<std::string>("Receipt,winspool,USB001"));
    const std::string log = Log();
    EXPECT_EQ(log.find("] status: \"Reading driver file...\""), log.rfind("] status: \"Reading driver file...\""))
        << "one start-up\n" << log;
    EXPECT_LT(log.find("] printer 1 \"Receipt\": installed"), log.find("] printer 2 \"" + label + "\": installed"))
        << log;
    const std::string json = ReadText(result);
    EXPECT_NE(json.find("\"name\": \"Receipt\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"name\": \"" + label + "\", \"driver\": \"" + label + "\""), std::string::npos) << json;
    EXPECT_EQ(Quiet("/remove Receipt").exitCode, 0u);
    EXPECT_EQ(Quiet("/remove \"" + label + "\"").exitCode, 0u);
}

TEST_F(UnattendedTest, OfTwoInstallsStartedTogetherOneWaitsForNothingAndChangesNothing) {
    ASSERT_TRUE(RemovePrinter("Counter"));
    const std::string logs = Env("UNATTENDED_LOGS");
    const std::string first = logs + "\\together-1.log";
    const std::string second = logs + "\\together-2.log";
    DeleteFileA(first.c_str());
    DeleteFileA(second.c_str());
    InstallerRun one("/install \"SK200K8\" /printer Counter /port parallel /quiet /log \"" + first + "\"");
    Sleep(300);
    InstallerRun two("/install \"SK200K8\" /printer Counter /port parallel /quiet /log \"" + second + "\"");
    const DWORD codes[] = {one.Wait().exitCode, two.Wait().exitCode};
    const bool firstInstalled = codes[0] == 0;
    EXPECT_TRUE((codes[0] == 0 && codes[1] == 1618) || (codes[0] == 1618 && codes[1] == 0))
        << codes[0] << " and " << codes[1] << "\n" << ReadText(first) << "\n" << ReadText(second);
    const std::string refused = ReadText(firstInstalled ? second : first);
    EXPECT_NE(refused.find("] result 1618 (busy)"), std::string::npos) << refused;
    EXPECT_EQ(refused.find("] install: "), std::string::npos) << "the refused run changed something";
    EXPECT_EQ(refused.find("] status: "), std::string::npos) << "the refused run started up";
    EXPECT_TRUE(ReadPrinter("Counter").has_value());
    EXPECT_EQ(Quiet("/remove Counter").exitCode, 0u);
}

TEST_F(UnattendedTest, ANetworkPrinterGetsItsPortThroughThePortMonitor) {
    const std::string problem = InstallTcpipTestMonitor();
    ASSERT_EQ(problem, "");
    ASSERT_EQ(SetTcpipTestPorts({}), "");
    ASSERT_TRUE(RemovePrinter("Network"));
    const std::string result = Env("UNATTENDED_LOGS") + "\\tcpip.json";
    const Finished run =
        Quiet("/install \"SK200K8\" /printer Network /port tcpip:127.0.0.1:9100 /nodefault /result \"" + result + "\"");
    ASSERT_EQ(run.exitCode, 0u) << Log();
    ASSERT_TRUE(ReadPrinter("Network").has_value());
    EXPECT_EQ(ReadPrinter("Network")->port, "IP_127.0.0.1");
    const std::string portKey =
        "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\IP_127.0.0.1";
    EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, portKey, "HostName"), std::optional<std::string>("127.0.0.1"));
    const std::string log = Log();
    EXPECT_NE(log.find("] made the TCP/IP port \"IP_127.0.0.1\" for 127.0.0.1:9100\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("] dialog \"Configure TCP/IP PrinterPort\": OK, with \"IP_127.0.0.1\""), std::string::npos);
    EXPECT_NE(ReadText(result).find("\"port\": \"IP_127.0.0.1\", \"portConfirmed\": true"), std::string::npos);

    // Again: the port of that address is found, not made twice.
    ASSERT_EQ(Quiet("/install \"SK200K8\" /printer Network /port tcpip:127.0.0.1 /nodefault").exitCode, 0u) << Log();
    EXPECT_NE(Log().find("] uses the TCP/IP port \"IP_127.0.0.1\" for 127.0.0.1:9100\r\n"), std::string::npos)
        << Log();
    EXPECT_EQ(Quiet("/remove Network").exitCode, 0u);
}

TEST_F(UnattendedTest, WithoutQuietTheDialogShowsAndAnswersThePortDialogItself) {
    Finished run = RunInstaller("/install \"SK200K8\" /printer Counter /port LPT2: /log \"" + log_ + "\"");
    ASSERT_EQ(run.exitCode, 0u) << Log();
    EXPECT_TRUE(run.windowShown);
    const std::optional<PrinterView> printer = ReadPrinter("Counter");
    ASSERT_TRUE(printer.has_value());
    EXPECT_EQ(printer->port, "LPT2:");
    EXPECT_NE(Log().find("] dialog \"Select A Parallel Port\": OK, with \"LPT2:\"\r\n"), std::string::npos)
        << Log();
    EXPECT_EQ(Quiet("/remove Counter").exitCode, 0u) << Log();
}

TEST_F(UnattendedTest, RemovingTheLabelPrinterRemovesDriverAndMonitor) {
    const std::string label = "3150TF(Label)";
    Finished run = Quiet("/install \"" + label + "\" /port usb /nodefault");
    ASSERT_EQ(run.exitCode, 0u) << Log();
    ASSERT_TRUE(ReadPrinter(label).has_value());
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kMonitorKey));

    run = Quiet("/remove \"" + label + "\"");
    EXPECT_EQ(run.exitCode, 0u) << Log();
    EXPECT_FALSE(ReadPrinter(label).has_value());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, DriverKey(label)));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMonitorKey));
    EXPECT_NE(Log().find("remove: \"Advanced Language Monitor\" deleted"), std::string::npos) << Log();
}

}  // namespace
}  // namespace e2e
