// installer.exe from a command line under Wine: unattended installations
// that show no window, one that shows its dialog and answers the parallel
// port dialog itself, the driver list on standard output, a driver name
// the package lacks, and removal of what was installed. The exit code, the
// spooler, the registry and the log tell what happened.
//
// UNATTENDED_DIST names the distribution folder (installer.exe beside its
// driver package); UNATTENDED_LOGS a folder that keeps the runs' logs.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "printer_probe.h"
#include "sample_drivers.h"
#include "system_facts.h"
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

// Runs installer.exe from the distribution folder with `arguments`, its
// standard output on a pipe, and watches its windows until it ends.
Finished RunInstaller(const std::string& arguments) {
    Finished run;
    const std::string dist = Env("UNATTENDED_DIST");
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        ADD_FAILURE() << "CreatePipe failed, last error " << GetLastError();
        return run;
    }
    UniqueHandle reader(readEnd);
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
        return run;
    }
    UniqueHandle process(info.hProcess);
    CloseHandle(info.hThread);
    writer.reset();  // the pipe ends when the installer's copy closes
    std::thread drain([&] {
        char buffer[512];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) run.output.append(buffer, got);
    });

    std::pair<DWORD, bool> watch{info.dwProcessId, false};
    const ULONGLONG deadline = GetTickCount64() + kRunTimeoutMs;
    while (WaitForSingleObject(process.get(), 50) == WAIT_TIMEOUT) {
        EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&watch));
        if (GetTickCount64() > deadline) {
            ADD_FAILURE() << "installer.exe " << arguments << " still ran after " << kRunTimeoutMs << " ms";
            TerminateProcess(process.get(), 255);
            WaitForSingleObject(process.get(), 10000);
            break;
        }
    }
    GetExitCodeProcess(process.get(), &run.exitCode);
    drain.join();
    run.windowShown = watch.second;
    return run;
}

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
    EXPECT_EQ(run.exitCode, 3u) << Log();
    EXPECT_FALSE(ReadPrinter("SK200K9").has_value());
    EXPECT_FALSE(ReadPrinter("SK200K8").has_value());
    EXPECT_NE(Log().find("\"SK200K9\" is not a driver of the package"), std::string::npos) << Log();
    EXPECT_NE(Log().find("] result 3: the driver name is not in the driver package"), std::string::npos);
}

TEST_F(UnattendedTest, InstallsAReceiptPrinterOnUsbAndRemovesIt) {
    ASSERT_TRUE(RemovePrinter("SK200K8"));
    Finished run = Quiet("/install \"SK200K8\" /port usb");
    ASSERT_EQ(run.exitCode, 0u) << Log();
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
                             "] status: \"The installation is completed.\"\r\n", "] result 0: done"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    }

    run = Quiet("/remove \"SK200K8\"");
    EXPECT_EQ(run.exitCode, 0u) << Log();
    EXPECT_FALSE(ReadPrinter("SK200K8").has_value());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, DriverKey("SK200K8")));
    run = Quiet("/remove \"SK200K8\"");
    EXPECT_EQ(run.exitCode, 9u) << Log();
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
