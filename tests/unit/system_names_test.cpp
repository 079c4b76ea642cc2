#include <gtest/gtest.h>

#include <string>

#include "app/system_names.h"
#include "platform/system.h"

namespace {

constexpr std::uint32_t k9x = plat::kVerPlatformWin32Windows;
constexpr std::uint32_t kNt = plat::kVerPlatformWin32Nt;

struct VersionCase {
    std::uint32_t platform, major, minor;
    int code;
    const char* name;
};

class VersionTable : public testing::TestWithParam<VersionCase> {};

TEST_P(VersionTable, MapsVersionToCodeAndName) {
    const VersionCase& c = GetParam();
    EXPECT_EQ(WindowsVersionCode(c.platform, c.major, c.minor), c.code);
    EXPECT_STREQ(WindowsName(c.code), c.name);
}

// Every row of the table and its neighbours.
INSTANTIATE_TEST_SUITE_P(
    RowsAndNeighbours, VersionTable,
    testing::Values(VersionCase{k9x, 4, 0, 1, "Microsoft Windows 95 "},
                    VersionCase{k9x, 4, 10, 2, "Microsoft Windows 98 "},
                    VersionCase{k9x, 4, 90, 3, "Microsoft Windows Me "},
                    VersionCase{k9x, 4, 1, -1, ""}, VersionCase{k9x, 4, 11, -1, ""},
                    VersionCase{k9x, 4, 89, -1, ""}, VersionCase{k9x, 3, 0, -1, ""},
                    VersionCase{k9x, 5, 0, -1, ""},
                    VersionCase{kNt, 3, 51, 4, "Microsoft Windows NT "},
                    VersionCase{kNt, 4, 0, 4, "Microsoft Windows NT "},
                    VersionCase{kNt, 0, 0, 4, "Microsoft Windows NT "},
                    VersionCase{kNt, 5, 0, 5, "Microsoft Windows 2000 "},
                    VersionCase{kNt, 5, 1, 6, "Microsoft Windows XP "},
                    VersionCase{kNt, 5, 2, 7, "Microsoft Windows 2003 "},
                    VersionCase{kNt, 5, 3, -1, ""},
                    VersionCase{kNt, 6, 0, 8, "Microsoft Windows Vista "},
                    VersionCase{kNt, 6, 1, 9, "Microsoft Windows 7 "},
                    VersionCase{kNt, 6, 2, 10, "Microsoft Windows 8 "},
                    VersionCase{kNt, 6, 3, 11, "Microsoft Windows 8.1 "},
                    VersionCase{kNt, 6, 4, -1, ""}, VersionCase{kNt, 7, 0, -1, ""},
                    VersionCase{kNt, 9, 0, -1, ""},
                    VersionCase{kNt, 10, 0, 12, "Microsoft Windows 10 "},
                    VersionCase{kNt, 10, 5, 12, "Microsoft Windows 10 "},
                    VersionCase{kNt, 11, 0, -1, ""}, VersionCase{0, 6, 1, -1, ""},
                    VersionCase{3, 10, 0, -1, ""}));

TEST(SystemLine, TwoBlanksBeforeTheWordSizeForAKnownRelease) {
    EXPECT_EQ(FormatSystemLine(9, "64 bit"), "Current System is Microsoft Windows 7  64 bit");
    EXPECT_EQ(FormatSystemLine(12, "64 bit"), "Current System is Microsoft Windows 10  64 bit");
    EXPECT_EQ(FormatSystemLine(9, "32 bit"), "Current System is Microsoft Windows 7  32 bit");
    EXPECT_EQ(FormatSystemLine(-1, "32 bit"), "Current System is  32 bit");
    EXPECT_EQ(FormatSystemLine(0, "64 bit"), "Current System is  64 bit");
}

}  // namespace
