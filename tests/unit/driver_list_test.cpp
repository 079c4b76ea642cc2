// The driver list file as the dialog reads it: names offered, in file order,
// and the catalogue position each one stands for.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "installer_harness.h"

namespace {

using Names = std::vector<std::string>;

std::string Keys(int count, const std::string& prefix) {
    std::string text;
    for (int n = 1; n <= count; ++n) {
        text += "PrintName" + std::to_string(n) + "=" + prefix + std::to_string(n) + "\r\n";
    }
    return text;
}

Names Numbered(int count, const std::string& prefix) {
    Names names;
    for (int n = 1; n <= count; ++n) names.push_back(prefix + std::to_string(n));
    return names;
}

struct ListCase {
    const char* what;
    std::string file;
    Names listed;
    // A name to look up and the position expected (nullopt: not found).
    std::string lookup;
    std::optional<int> position;
};

class DriverList : public testing::TestWithParam<ListCase> {};

TEST_P(DriverList, ListsNamesAndFindsTheirPositions) {
    const ListCase& c = GetParam();
    InstallerHarness h(true, c.file);
    sim::SimDialog& dlg = h.Start();
    ASSERT_TRUE(h.WaitStartup());
    EXPECT_EQ(dlg.ComboItems(IDC_DRIVER_COMBO), c.listed) << c.what;
    EXPECT_EQ(dlg.Text(IDC_PRINTER_NAME), c.listed.empty() ? "" : c.listed.front());
    EXPECT_EQ(h.dialog->FindDriverIndex(c.lookup), c.position) << c.what;
    EXPECT_EQ(dlg.IsEnabled(IDC_INSTALL), !c.listed.empty());
}

const std::string kLong200(200, 'x');

INSTANTIATE_TEST_SUITE_P(
    Files, DriverList,
    testing::Values(
        ListCase{"gap in the keys ends the section",
                 "[A]\r\nPrintName1=one\r\nPrintName3=three\r\n[B]\r\nPrintName1=four\r\n",
                 {"one", "four"}, "three", std::nullopt},
        ListCase{"sixty keys give fifty names", "[A]\r\n" + Keys(60, "n"), Numbered(50, "n"),
                 "n50", 0},
        ListCase{"a key past fifty is never read", "[A]\r\n" + Keys(60, "n"), Numbered(50, "n"),
                 "n51", std::nullopt},
        ListCase{"an empty section still takes its position",
                 "[A]\r\nPrintName1=a\r\n[Empty]\r\n[C]\r\nPrintName1=c\r\n", {"a", "c"}, "c", 2},
        ListCase{"a long name is cut to 127 characters",
                 "[A]\r\nPrintName1=" + kLong200 + "\r\n", {std::string(127, 'x')},
                 std::string(127, 'x'), 0},
        ListCase{"the same name twice is listed twice and the last section wins",
                 "[A]\r\nPrintName1=a\r\n[B]\r\nPrintName1=same\r\n[C]\r\nPrintName1=c\r\n"
                 "[D]\r\nPrintName1=same\r\n",
                 {"a", "same", "c", "same"}, "same", 3},
        ListCase{"names compare case-sensitively", "[A]\r\nPrintName1=Name\r\n", {"Name"},
                 "name", std::nullopt},
        ListCase{"keys and sections compare without case",
                 "[A]\r\nprintname1=lower\r\nPRINTNAME2=upper\r\n", {"lower", "upper"}, "upper",
                 0},
        ListCase{"an empty value ends the section",
                 "[A]\r\nPrintName1=a\r\nPrintName2=\r\nPrintName3=c\r\n", {"a"}, "c",
                 std::nullopt},
        ListCase{"a section name over 99 characters keeps its position",
                 "[" + std::string(150, 's') + "]\r\nPrintName1=long\r\n[B]\r\nPrintName1=b\r\n",
                 {"long", "b"}, "b", 1},
        ListCase{"an empty file lists nothing", "", {}, "x", std::nullopt}));

TEST(DriverListFile, SectionNamesBeyondTheBufferAreCut) {
    // 3000 bytes of section names hold fewer than 300 sections of 10 bytes.
    std::string file;
    for (int i = 0; i < 300; ++i) {
        char section[16];
        std::snprintf(section, sizeof section, "[Section%03d]", i);
        file += std::string(section) + "\r\nPrintName1=name" + std::to_string(i) + "\r\n";
    }
    InstallerHarness h(true, file);
    sim::SimDialog& dlg = h.Start();
    ASSERT_TRUE(h.WaitStartup());
    const Names items = dlg.ComboItems(IDC_DRIVER_COMBO);
    ASSERT_GT(items.size(), 250u);
    EXPECT_LT(items.size(), 300u);
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i], "name" + std::to_string(i));
    }
}

TEST(DriverListFile, LookupReadsTheFileAfresh) {
    InstallerHarness h(true, "[A]\r\nPrintName1=a\r\n");
    h.Start();
    ASSERT_TRUE(h.WaitStartup());
    h.win.files().WriteFile("C:\\DriverName.cfg", "[X]\r\n[Y]\r\nPrintName1=a\r\n");
    EXPECT_EQ(h.dialog->FindDriverIndex("a"), 1);
}

}  // namespace
