// Reading a technical listing ("7za l -slt") and telling safe entries from unsafe.
#include <gtest/gtest.h>

#include "extraction.h"
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

// What the in-process extraction judges on top of the path staying inside:
// device names, characters and endings Windows does not keep, component
// lengths, and links by their attributes.
struct JudgedCase {
    std::u16string name;
    std::uint32_t attributes;  // 0: none stored
    bool accepted;
};

class JudgedEntry : public testing::TestWithParam<JudgedCase> {};

TEST_P(JudgedEntry, IsExtractedOnlyWhenWindowsKeepsItAsItIsAndItIsNoLink) {
    ArchiveEntry entry;
    entry.name = GetParam().name;
    for (char16_t c : entry.name) {
        if (c < 0x80) {
            entry.utf8Name += static_cast<char>(c);
        } else {  // the superscripts used below
            entry.utf8Name += static_cast<char>(0xC0 | (c >> 6));
            entry.utf8Name += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    entry.hasAttributes = GetParam().attributes != 0;
    entry.attributes = GetParam().attributes;
    EXPECT_EQ(!JudgeEntry(entry).has_value(), GetParam().accepted) << entry.utf8Name;
}

constexpr std::uint32_t kUnixFile = 0x8000 | 0x20 | (0100644u << 16);

INSTANTIATE_TEST_SUITE_P(
    Entries, JudgedEntry,
    testing::Values(JudgedCase{u"Ticket\\x86\\QRR8.DLL", 0x20, true},
                    JudgedCase{u"Ticket/x64", 0x10, true},
                    JudgedCase{u"Ticket/CON.txt", 0, false},
                    JudgedCase{u"con", 0, false},
                    JudgedCase{u"Com1.cfg", 0, false},
                    JudgedCase{u"LPT9", 0, false},
                    JudgedCase{u"NUL .txt", 0, false},
                    JudgedCase{u"aux/file", 0, false},
                    JudgedCase{u"COM\u00B9", 0, false},
                    JudgedCase{u"CONOUT$", 0, false},
                    JudgedCase{u"COM0", 0, true},
                    JudgedCase{u"CONSOLE.txt", 0, true},
                    JudgedCase{u"LPT10", 0, true},
                    JudgedCase{u"a<b", 0, false},
                    JudgedCase{u"a|b", 0, false},
                    JudgedCase{u"what?", 0, false},
                    JudgedCase{u"dir./x", 0, false},
                    JudgedCase{u"x ", 0, false},
                    JudgedCase{u"..\\x", 0, false},
                    JudgedCase{u"C:x", 0, false},
                    JudgedCase{std::u16string(255, u'e'), 0, true},
                    JudgedCase{u"T/" + std::u16string(256, u'e'), 0, false},
                    JudgedCase{u"file", kUnixFile, true},
                    JudgedCase{u"file", 0x20 | 0x400, false},
                    JudgedCase{u"link", 0x8000 | 0x20 | (0120777u << 16), false},
                    JudgedCase{u"pipe", 0x8000 | 0x20 | (0010644u << 16), false},
                    JudgedCase{u"device", 0x8000 | 0x20 | (0020644u << 16), false},
                    JudgedCase{u"folder", 0x8000 | 0x10 | (0040755u << 16), true}));

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
