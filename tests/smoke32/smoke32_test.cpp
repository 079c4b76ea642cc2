// The shipped 32-bit programs end to end: installer.exe from its
// distribution folder runs as a 32-bit process on 64-bit Windows, unpacks the
// sample package through the 32-bit 7-zip32.dll and 7za.exe, shows what its
// start-up found, and ends with Cancel leaving nothing behind.
//
// One installer run, whose steps the tests below take in declaration order
// (each needs the one before; a step that cannot go on fails the rest with
// its reason).
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "combo_probe.h"
#include "dialog_probe.h"
#include "installer_session.h"
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

class Smoke32Test : public ::testing::Test {
protected:
    static inline SmokeSession run_;
    static inline std::string startProblem_ = "the installer was not started";
};

TEST_F(Smoke32Test, RunsAsA32BitProcessOn64BitWindows) {
    BOOL wow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64)) << "last error " << GetLastError();
    EXPECT_TRUE(wow64) << "this suite is meant for the 32-bit build in a 64-bit prefix";
}

TEST_F(Smoke32Test, InstallerShowsItsDialog) {
    startProblem_ = run_.Start();
    EXPECT_EQ("", startProblem_);
}

TEST_F(Smoke32Test, StartupEndsWithAUsableInstallButton) {
    if (startProblem_.empty()) startProblem_ = run_.WaitUntilReady();
    EXPECT_EQ("", startProblem_);
}

TEST_F(Smoke32Test, ShowsThePackageDriversAndTheSystem) {
    ASSERT_EQ("", startProblem_);
    EXPECT_EQ(WorkingItems(), PresentWorkingItems()) << "the package was not unpacked to C:";
    EXPECT_EQ(std::optional<std::vector<std::string>>(kSampleDriverNames),
              ReadComboItems(GetDlgItem(run_.Dialog(), kDriverCombo)));
    EXPECT_EQ(std::optional<std::string>(kSystemLine),
              ReadWindowText(GetDlgItem(run_.Dialog(), kStatusLine)));
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

}  // namespace
}  // namespace smoke32
