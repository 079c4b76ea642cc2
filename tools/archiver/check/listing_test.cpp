// Reading 7za.exe's technical listing and telling safe entries from unsafe.
#include <gtest/gtest.h>

#include "listing.h"

namespace archiver {
namespace {

TEST(TechnicalListing, ReadsEveryEntryWithItsLinkProperties) {
    const char* text =
        "Path = Ticket\\x86\\QRR8.DLL\r\n"
        "Size = 10\r\n"
        "Attributes = A -rw-r--r--\r\n"
        "\r\n"
        "Path = outside\r\n"
        "Symbolic Link = ../../outside\r\n"
        "Hard Link = \r\n"
        "\r\n"
        "Path = Ticket\n"
        "Attributes = D\n";
    auto entries = ParseTechnicalListing(text);
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 3u);
    EXPECT_EQ((*entries)[0].path, "Ticket\\x86\\QRR8.DLL");
    EXPECT_EQ((*entries)[0].attributes, "A -rw-r--r--");
    EXPECT_EQ((*entries)[1].symbolicLink, "../../outside");
    EXPECT_EQ((*entries)[1].hardLink, "");
    EXPECT_EQ((*entries)[2].path, "Ticket");
}

class MalformedListing : public testing::TestWithParam<const char*> {};

TEST_P(MalformedListing, IsRefused) {
    EXPECT_FALSE(ParseTechnicalListing(GetParam()).has_value()) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(
    Listings, MalformedListing,
    testing::Values(
        // A name holding a line break shows up as a second Path in its block.
        "Path = a\nPath = ../b\nSize = 1\n",
        "Path = a\nevil\nSize = 1\n",          // a line that is no property
        "Size = 1\nAttributes = A\n",          // a block without a path
        "Open ERROR: Cannot open the file as [7z] archive\n",
        " = x\nPath = a\n"));

struct PathCase {
    const char* path;
    bool contained;
};

class EntryPath : public testing::TestWithParam<PathCase> {};

TEST_P(EntryPath, StaysInsideOnlyWhenRelativeWithoutParentSteps) {
    EXPECT_EQ(IsContainedRelativePath(GetParam().path), GetParam().contained) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, EntryPath,
    testing::Values(PathCase{"DriverName.cfg", true}, PathCase{"Ticket\\x86\\QRR8.DLL", true},
                    PathCase{"Barcode/Common/VORELIN.chm", true}, PathCase{"a..b\\c.", true},
                    PathCase{"..a\\b", true}, PathCase{"", false}, PathCase{"..", false},
                    PathCase{"..\\evil.txt", false}, PathCase{"a\\..\\..\\evil", false},
                    PathCase{"a/../../evil", false}, PathCase{"a\\..", false},
                    PathCase{".\\a", false}, PathCase{"... \\a", false},
                    PathCase{".. \\a", false}, PathCase{"\\tmp\\evil", false},
                    PathCase{"/tmp/evil", false}, PathCase{"\\\\server\\share\\evil", false},
                    PathCase{"C:\\evil.txt", false}, PathCase{"C:evil.txt", false},
                    PathCase{"file.txt:stream", false}, PathCase{"a\\\\b", false},
                    PathCase{"a\\", false}, PathCase{"a\tb", false}));

struct LinkCase {
    ListedEntry entry;
    bool link;
};

class EntryKind : public testing::TestWithParam<LinkCase> {};

TEST_P(EntryKind, LinksAreTold) {
    EXPECT_EQ(IsLink(GetParam().entry), GetParam().link) << GetParam().entry.path;
}

INSTANTIATE_TEST_SUITE_P(
    Entries, EntryKind,
    testing::Values(LinkCase{{"file", "A -rw-r--r--", "", "", ""}, false},
                    LinkCase{{"folder", "D", "", "", ""}, false},
                    LinkCase{{"file", "A", "-rwxr-xr-x", "", ""}, false},
                    LinkCase{{"unix link", "A_ lrwxrwxrwx", "", "", ""}, true},
                    LinkCase{{"reparse point", "AL", "", "", ""}, true},
                    LinkCase{{"tar link", "", "lrwxrwxrwx", "", ""}, true},
                    LinkCase{{"symbolic", "", "", "../x", ""}, true},
                    LinkCase{{"hard", "", "", "", "other"}, true}));

TEST(UnsafeEntry, TheFirstOneIsNamedAndSafeArchivesPass) {
    std::vector<ListedEntry> entries{{"good.txt", "A", "", "", ""},
                                     {"..\\evil.txt", "A", "", "", ""},
                                     {"lnk", "", "", "/etc", ""}};
    auto reason = FindUnsafeEntry(entries);
    ASSERT_TRUE(reason.has_value());
    EXPECT_NE(reason->find("..\\evil.txt"), std::string::npos) << *reason;

    entries.erase(entries.begin() + 1);
    reason = FindUnsafeEntry(entries);
    ASSERT_TRUE(reason.has_value());
    EXPECT_NE(reason->find("link"), std::string::npos) << *reason;

    entries.pop_back();
    EXPECT_FALSE(FindUnsafeEntry(entries).has_value());
}

}  // namespace
}  // namespace archiver
