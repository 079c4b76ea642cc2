// What the start-up shows of the system it runs on.
#include <gtest/gtest.h>

#include "installer_harness.h"

namespace {

struct SystemCase {
    const char* what;
    std::uint32_t platformId, major, minor;
    bool hasIsWow64, wow64;
    int failingVersionCalls;  // GetVersionExA calls that fail first
    const char* status;
    bool expectWow64;
};

class DetectSystem : public testing::TestWithParam<SystemCase> {};

TEST_P(DetectSystem, ShowsReleaseAndWordSize) {
    const SystemCase& c = GetParam();
    InstallerHarness h;
    h.win.system().SetVersion(c.platformId, c.major, c.minor, 1000, "", 0, 1);
    h.win.system().SetHasIsWow64Process(c.hasIsWow64);
    h.win.system().SetWow64(c.wow64);
    if (c.failingVersionCalls > 0) {
        h.win.FailNext("GetVersionExA", plat::err::kInvalidParameter, c.failingVersionCalls);
    }
    sim::SimDialog& dlg = h.Start();
    ASSERT_TRUE(h.WaitStartup());
    EXPECT_EQ(dlg.Text(IDC_STATUS), c.status) << c.what;
    EXPECT_EQ(h.dialog->m_bWow64, c.expectWow64) << c.what;
}

constexpr std::uint32_t kNt = plat::kVerPlatformWin32Nt;

INSTANTIATE_TEST_SUITE_P(
    Systems, DetectSystem,
    testing::Values(
        SystemCase{"64-bit Windows 7", kNt, 6, 1, true, true, 0,
                   "Current System is Microsoft Windows 7  64 bit", true},
        SystemCase{"32-bit Windows 7", kNt, 6, 1, true, false, 0,
                   "Current System is Microsoft Windows 7  32 bit", false},
        SystemCase{"Windows 10", kNt, 10, 0, true, true, 0,
                   "Current System is Microsoft Windows 10  64 bit", true},
        SystemCase{"a release after 10", kNt, 11, 0, true, true, 0,
                   "Current System is  64 bit", true},
        SystemCase{"no IsWow64Process", kNt, 5, 0, false, true, 0,
                   "Current System is Microsoft Windows 2000  32 bit", false},
        SystemCase{"only the plain version record", kNt, 5, 1, true, false, 1,
                   "Current System is Microsoft Windows XP  32 bit", false},
        SystemCase{"no version at all", kNt, 6, 1, true, true, 2, "Current System is  64 bit",
                   true}));

}  // namespace
