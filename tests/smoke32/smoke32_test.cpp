// The shipped 32-bit programs end to end: installer.exe from its
// distribution folder runs as a 32-bit process on 64-bit Windows, unpacks the
// sample package through the 32-bit 7-zip32.dll in-process, shows what its
// start-up found and ends with Cancel leaving nothing behind; a second run
// installs the first receipt printer on the USB row and ends with "&Finish".
//
// This program itself is a 64-bit one, so that only the programs under test
// run under emulation where the kernel runs no 32-bit code.
//
// The tests take their steps in declaration order (each needs the one
// before; a step that cannot go on fails the rest with its reason).
#include <windows.h>

#include <gtest/gtest.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/box_texts.h"
#include "combo_probe.h"
#include "dialog_probe.h"
#include "installer_session.h"
#include "printer_probe.h"
#include "sample_drivers.h"
#include "service_state.h"
#include "smoke_session.h"
#include "working_files.h"

namespace smoke32 {
namespace {

using namespace e2e;

// The system line of a 32-bit program on 64-bit Windows 7, which Wine's
// fresh prefix reports: two blanks stand before the word size.
constexpr char kSystemLine[] = "Current System is Microsoft Windows 7  64 bit";
constexpr char kPortsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
constexpr char kWindowsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
constexpr char kDriver[] = "SK200K8";
constexpr char kDriverKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3\\"
    "SK200K8";
constexpr char kDriverDir[] = "C:\\windows\\system32\\spool\\drivers\\x64";

bool SetRegistryString(HKEY root, const char* subKey, const char* name, const char* value) {
    HKEY key = nullptr;
    bool ok = RegCreateKeyExA(root, subKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr) == ERROR_SUCCESS;
    if (ok && name != nullptr) {
        ok = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                            static_cast<DWORD>(std::strlen(value) + 1)) == ERROR_SUCCESS;
    }
    if (key != nullptr) RegCloseKey(key);
    return ok;
}

// Wine's spooler looks a 32-bit caller's printer driver up among the 32-bit
// drivers only, where Windows' spooler service finds the "Windows x64" one
// the installer registers on 64-bit Windows (without this, Wine answers
// AddPrinter with error 87). A 32-bit record of the same name, made before
// the installation, gives Wine's lookup what Windows' lookup finds; the
// installer's own 64-bit record is checked on its own.
std::string RegisterThe32BitTwinOf(const char* driver) {
    char folder[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH - 20) return "no folder for temporary files";
    std::string file = std::string(folder) + "smoke32twin.txt";
    FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr) return "cannot write " + file;
    std::fputs("stands in for the 32-bit files of a driver\r\n", out);
    std::fclose(out);

    DRIVER_INFO_3A info = {};
    info.cVersion = 3;
    info.pName = const_cast<char*>(driver);
    info.pEnvironment = const_cast<char*>("Windows NT x86");
    info.pDriverPath = file.data();
    info.pDataFile = file.data();
    info.pConfigFile = file.data();
    const BOOL added = AddPrinterDriverExA(nullptr, 3, reinterpret_cast<BYTE*>(&info),
                                           APD_COPY_NEW_FILES);
    const DWORD error = GetLastError();
    DeleteFileA(file.c_str());
    return added ? "" : "AddPrinterDriverExA for Windows NT x86 failed with " +
                            std::to_string(error);
}

class Smoke32Test : public ::testing::Test {
protected:
    // The prefix gets two USB ports, and the key Windows keeps the default
    // printer in, which a fresh Wine prefix lacks: the installer preselects
    // the USB row when it finds USB ports.
    static void SetUpTestSuite() {
        prefixReady_ = SetRegistryString(HKEY_LOCAL_MACHINE, kPortsKey, "USB001", "") &&
                       SetRegistryString(HKEY_LOCAL_MACHINE, kPortsKey, "USB002", "") &&
                       SetRegistryString(HKEY_CURRENT_USER, kWindowsKey, nullptr, nullptr);
    }

    static inline bool prefixReady_ = false;
    static inline SmokeSession run_;
    static inline std::string startProblem_ = "the installer was not started";
    static inline SmokeSession installRun_;
    static inline std::string installProblem_ = "the installer was not started";
};

TEST_F(Smoke32Test, InstallerShowsItsDialog) {
    ASSERT_TRUE(prefixReady_) << "the prefix could not be given its USB ports";
    startProblem_ = run_.Start();
    EXPECT_EQ("", startProblem_);
}

TEST_F(Smoke32Test, InstallerRunsAsA32BitProcessOn64BitWindows) {
    ASSERT_EQ("", startProblem_);
    BOOL wow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(run_.Process(), &wow64)) << "last error " << GetLastError();
    EXPECT_TRUE(wow64) << "this suite is meant for the 32-bit build in a 64-bit prefix";
}

TEST_F(Smoke32Test, StartupEndsWithAUsableInstallButton) {
    if (startProblem_.empty()) startProblem_ = run_.WaitUntilReady();
    EXPECT_EQ("", startProblem_);
}

TEST_F(Smoke32Test, ShowsThePackageDriversAndTheSystem) {
    ASSERT_EQ("", startProblem_);
    EXPECT_EQ(WorkingItems(), PresentWorkingItems()) << "the package was not unpacked to C:";
    EXPECT_EQ(std::optional<std::vector<std::string>>(kSampleDriverNames),
              ReadComboItems(GetDlgItem(run_.Dialog(), IDC_DRIVER_COMBO)));
    EXPECT_EQ(std::optional<std::string>(kSystemLine),
              ReadWindowText(GetDlgItem(run_.Dialog(), IDC_STATUS)));
}

TEST_F(Smoke32Test, StartupLeavesTheSpoolerRunning) {
    ASSERT_EQ("", startProblem_);
    std::string error;
    const auto state = QueryServiceState("Spooler", &error);
    ASSERT_TRUE(state.has_value()) << error;
    EXPECT_EQ(ServiceStateName(SERVICE_RUNNING), ServiceStateName(*state));
}

// Also after a start-up that went wrong, as long as there is a dialog.
TEST_F(Smoke32Test, CancelEndsTheRunAndLeavesNothingBehind) {
    EXPECT_EQ("", run_.CancelAndCheckNothingLeft());
}

// A second run, as the first was cancelled.
TEST_F(Smoke32Test, SecondRunReachesAUsableInstallButton) {
    ASSERT_TRUE(prefixReady_);
    installProblem_ = installRun_.Start();
    if (installProblem_.empty()) installProblem_ = installRun_.WaitUntilReady();
    EXPECT_EQ("", installProblem_);
}

TEST_F(Smoke32Test, InstallsTheFirstReceiptPrinterOnAUsbPort) {
    ASSERT_EQ("", installProblem_);
    ASSERT_EQ("", RegisterThe32BitTwinOf(kDriver));
    std::string status;
    installProblem_ = installRun_.Install(&status);
    ASSERT_EQ("", installProblem_);
    EXPECT_EQ(kCompletedStatus, status);

    // The 32-bit installer registered the driver for the system's own word
    // size, with the files in the spooler's x64 folder.
    EXPECT_TRUE(ReadRegistryString(HKEY_LOCAL_MACHINE, kDriverKey, "Driver").has_value())
        << "no driver registered for Windows x64";
    EXPECT_TRUE(FileExists(std::string(kDriverDir) + "\\3\\uniDRV.DLL"));
    EXPECT_TRUE(FileExists(std::string(kDriverDir) + "\\3\\SK200K8.GPD"));
    EXPECT_FALSE(FileExists(std::string(kDriverDir) + "\\SK200K8.GPD")) << "staged copy left";

    const std::optional<PrinterView> printer = ReadPrinter(kDriver);
    ASSERT_TRUE(printer.has_value()) << "no printer " << kDriver;
    EXPECT_EQ(kDriver, printer->driver);
    // Wine reports Windows 7: every USB port is written, the last stays.
    EXPECT_EQ("USB002", printer->port);
    EXPECT_EQ(std::optional<std::string>("SK200K8,winspool,USB001"),
              ReadRegistryString(HKEY_CURRENT_USER, kWindowsKey, "Device"));
}

TEST_F(Smoke32Test, FinishEndsTheRunAndLeavesNothingBehind) {
    ASSERT_EQ("", installProblem_);
    EXPECT_EQ("", installRun_.FinishAndCheckNothingLeft());
}

}  // namespace
}  // namespace smoke32
