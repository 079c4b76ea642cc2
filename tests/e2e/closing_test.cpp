// Ending the installer: the Cancel button and the close box end the process,
// whether the start-up is still running or has finished, and nothing of it
// stays behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "e2e_options.h"
#include "installer_session.h"
#include "process_list.h"
#include "shared_run.h"
#include "working_files.h"

namespace e2e {
namespace {

enum class When { AsSoonAsShown, AfterStartup };

struct CloseCase {
    CloseWay way;
    When when;
};

std::string CaseName(const CloseCase& c) {
    return std::string(Name(c.way)) + (c.when == When::AsSoonAsShown ? "AsSoonAsShown" : "AfterStartup");
}

void PrintTo(const CloseCase& c, std::ostream* os) { *os << CaseName(c); }

class ClosingTest : public OwnRunTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(ClosingTest, EndsTheProcessAndLeavesNothing) {
    const CloseCase& c = GetParam();
    InstallerSession session(TheOptions().installer, TheOptions().workingDir);
    ASSERT_TRUE(session.Started()) << session.StartError();
    ASSERT_TRUE(session.WaitForDialog()) << "no visible dialog";
    if (c.when == When::AfterStartup) {
        const StartupObservation seen = session.WatchStartup();
        ASSERT_TRUE(seen.ready) << "Install never became enabled " << seen.problem;
        if (PackageAvailable(TheOptions())) {
            EXPECT_EQ(WorkingItems(), PresentWorkingItems()) << "before closing";
        }
    }
    session.Close(c.way);
    ASSERT_EQ("", session.WaitForExit()) << "waiting for the end after " << CaseName(c);
    EXPECT_EQ(std::vector<std::string>{}, PresentWorkingItems()) << "working files left on C:";
    // The other instance these tests may share stays; everything else
    // named installer.exe, and any child of this run, must be gone.
    const DWORD shared = SharedProcessId();
    const auto left = Leftovers(ListProcesses(), session.Id(), "installer.exe",
                                shared != 0 ? std::vector<DWORD>{shared} : std::vector<DWORD>{});
    EXPECT_TRUE(left.empty()) << "left running: " << Describe(left);
}

INSTANTIATE_TEST_SUITE_P(Ways, ClosingTest,
                         ::testing::Values(CloseCase{CloseWay::CancelButton, When::AfterStartup},
                                           CloseCase{CloseWay::CloseBox, When::AfterStartup},
                                           CloseCase{CloseWay::CancelButton, When::AsSoonAsShown},
                                           CloseCase{CloseWay::CloseBox, When::AsSoonAsShown}),
                         [](const auto& test) { return CaseName(test.param); });

}  // namespace
}  // namespace e2e
