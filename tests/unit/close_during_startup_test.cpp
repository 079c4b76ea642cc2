// Closing the dialog while the start-up worker still runs: the worker must
// never touch the dialog afterwards, nothing may hang, and the working files
// must not be removed under a running extraction.
#include <gtest/gtest.h>

#include <random>

#include "installer_harness.h"

namespace {

using namespace std::chrono_literals;

class CloseAtStep : public testing::TestWithParam<const char*> {};

TEST_P(CloseAtStep, EndsCleanlyWithoutWorkingFiles) {
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        InstallerHarness h;
        Gate& gate = h.HoldAt(GetParam());
        sim::SimDialog& dlg = h.Start();
        ASSERT_TRUE(gate.WaitReached()) << "the worker never called " << GetParam();
        ASSERT_TRUE(dlg.Close());
        // The dialog waits for the worker before it removes anything.
        EXPECT_FALSE(h.WaitEnded(20ms));
        gate.Release();
        ASSERT_TRUE(h.WaitEnded(10s));
        EXPECT_EQ(dlg.Result(), plat::kIdCancel);
        EXPECT_FALSE(h.win.files().Exists("C:\\Ticket"));
        EXPECT_FALSE(h.win.files().Exists("C:\\Barcode"));
        EXPECT_FALSE(h.win.files().Exists("C:\\DriverName.cfg"));
        EXPECT_TRUE(dlg.Misuses().empty());
    }
}

// One operation from each step of the worker, in the order it runs them.
INSTANTIATE_TEST_SUITE_P(WorkerSteps, CloseAtStep,
                         testing::Values("OpenSCManagerA", "StartServiceA", "EnumPortsA",
                                         "RegEnumValueA", "GetCurrentDirectoryA",
                                         "LoadLibraryExA", "SevenZip",
                                         "GetPrivateProfileSectionNamesA",
                                         "GetPrivateProfileStringA", "GetVersionExA"));

TEST(CloseDuringStartup, AtRandomMomentsManyTimes) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delay(0, 3000);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        InstallerHarness h;
        sim::SimDialog& dlg = h.Start();
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ASSERT_TRUE(h.CloseAndWait(10s));
        EXPECT_EQ(dlg.Result(), plat::kIdCancel);
        EXPECT_FALSE(h.win.files().Exists("C:\\Ticket"));
    }
}

}  // namespace
