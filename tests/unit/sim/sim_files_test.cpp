// The simulated drives beyond what the contract tests show.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/sim/sim_paths.h"
#include "platform/sim/sim_windows.h"

namespace {

class SimFilesTest : public ::testing::Test {
protected:
    sim::SimFiles& Files() { return m_win.files(); }
    std::uint32_t LastError() { return m_win.system().GetLastError(); }
    sim::SimWindows m_win;
};

TEST_F(SimFilesTest, DrivesAreHostFoldersAndNamesKeepTheirFirstCase) {
    ASSERT_TRUE(Files().WriteFile("C:\\Ticket\\x86\\A.dll", "bytes"));
    ASSERT_TRUE(Files().WriteFile("c:/TICKET/X86/b.DLL", "more"));
    EXPECT_EQ(Files().HostPath("c:\\ticket\\X86\\b.dll"), m_win.HostRoot() / "c" / "Ticket" / "x86" / "b.DLL");
    EXPECT_EQ(Files().FullPath("C:\\TICKET\\x86\\a.DLL"), "C:\\Ticket\\x86\\A.dll");
    EXPECT_EQ(Files().List("C:\\Ticket\\x86"), (std::vector<std::string>{"A.dll", "b.DLL"}));
    std::ifstream host(m_win.HostRoot() / "c" / "Ticket" / "x86" / "A.dll");
    std::string text;
    host >> text;
    EXPECT_EQ(text, "bytes");
}

TEST_F(SimFilesTest, PathsAreFoldedAsWindowsFoldsThem) {
    const sim::WinPath current{'C', {"dist"}};
    struct Case {
        const char* path;
        const char* full;  // nullptr: refused
    } cases[] = {
        {"C:\\a\\.\\b\\..\\c", "C:\\a\\c"},
        {"sub\\file.txt", "C:\\dist\\sub\\file.txt"},
        {"\\root.txt", "C:\\root.txt"},
        {"C:file.txt", "C:\\dist\\file.txt"},
        {"Z:file.txt", "Z:\\file.txt"},
        {"C:\\..\\..", "C:\\"},
        {"c://Ticket//x86//", "C:\\Ticket\\x86"},
        {"\\\\server\\share\\x", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        std::optional<sim::WinPath> parsed = sim::ParseWinPath(c.path, current);
        if (!c.full) {
            EXPECT_FALSE(parsed) << c.path;
        } else {
            ASSERT_TRUE(parsed) << c.path;
            EXPECT_EQ(sim::FormatWinPath(*parsed), c.full) << c.path;
        }
    }
}

TEST_F(SimFilesTest, FindPatterns) {
    struct Case {
        const char* name;
        const char* pattern;
        bool matches;
    } cases[] = {
        {"a.txt", "*.*", true},   {"noext", "*.*", true},    {"A.TXT", "*.txt", true},
        {"a.txt", "*.dll", false}, {"ab.txt", "?b.*", true}, {"b.txt", "?b.*", false},
        {".", "*", true},          {"uniDRV.DLL", "unidrv.dll", true},
    };
    for (const Case& c : cases) EXPECT_EQ(sim::MatchesPattern(c.name, c.pattern), c.matches) << c.name << " " << c.pattern;
}

TEST_F(SimFilesTest, DriveRootHasNoDotEntries) {
    plat::FindData data;
    plat::Handle find = Files().FindFirstFileA("C:\\*", &data);
    ASSERT_NE(find, nullptr);
    do {
        EXPECT_NE(data.fileName, ".");
        EXPECT_NE(data.fileName, "..");
    } while (Files().FindNextFileA(find, &data));
    EXPECT_TRUE(Files().FindClose(find));
    EXPECT_EQ(Files().OpenFindCount(), 0u);
    EXPECT_FALSE(Files().FindClose(find));
    EXPECT_EQ(LastError(), plat::err::kInvalidHandle);
}

TEST_F(SimFilesTest, FileHeldOpenElsewhereIsNotDeletedNorReplaced) {
    ASSERT_TRUE(Files().WriteFile("C:\\w\\busy.dll", "x"));
    ASSERT_TRUE(Files().WriteFile("C:\\w\\new.dll", "y"));
    Files().SetLocked("C:\\w\\busy.dll", true);
    EXPECT_FALSE(Files().DeleteFileA("C:\\w\\busy.dll"));
    EXPECT_EQ(LastError(), plat::err::kSharingViolation);
    EXPECT_FALSE(Files().CopyFileA("C:\\w\\new.dll", "C:\\w\\busy.dll", false));
    EXPECT_EQ(LastError(), plat::err::kSharingViolation);
    Files().SetLocked("C:\\w\\busy.dll", false);
    EXPECT_TRUE(Files().DeleteFileA("C:\\w\\busy.dll"));
}

TEST_F(SimFilesTest, CopyKeepsTheReadOnlyAttributeAndRefusesAReadOnlyTarget) {
    ASSERT_TRUE(Files().WriteFile("C:\\w\\ro.txt", "x"));
    ASSERT_TRUE(Files().SetFileAttributesA("C:\\w\\ro.txt", plat::kFileAttributeReadOnly));
    ASSERT_TRUE(Files().CopyFileA("C:\\w\\ro.txt", "C:\\w\\copy.txt", false));
    EXPECT_TRUE(Files().IsReadOnly("C:\\w\\copy.txt"));
    EXPECT_FALSE(Files().CopyFileA("C:\\w\\ro.txt", "C:\\w\\copy.txt", false));
    EXPECT_EQ(LastError(), plat::err::kAccessDenied);
    EXPECT_FALSE(Files().WriteFile("C:\\w\\copy.txt", "overwritten"));
}

TEST_F(SimFilesTest, CurrentFolderAndItemsOfTheWrongKind) {
    ASSERT_TRUE(Files().MakeDirectories("C:\\work\\here"));
    Files().SetCurrentDirectory("C:\\work\\here");
    EXPECT_FALSE(Files().RemoveDirectoryA("C:\\work\\here"));
    EXPECT_EQ(LastError(), plat::err::kSharingViolation);
    ASSERT_TRUE(Files().WriteFile("C:\\work\\file.txt", "x"));
    EXPECT_FALSE(Files().RemoveDirectoryA("C:\\work\\file.txt"));
    EXPECT_EQ(LastError(), sim::kErrorDirectory);
    EXPECT_FALSE(Files().DeleteFileA("C:\\work\\here"));
    EXPECT_EQ(LastError(), plat::err::kAccessDenied);
    EXPECT_FALSE(Files().CreateDirectoryA("C:\\work\\bad|name"));
    EXPECT_EQ(LastError(), sim::kErrorInvalidName);
    EXPECT_EQ(Files().GetFileAttributesA("Q:\\nothing"), plat::kInvalidFileAttributes);
    EXPECT_EQ(LastError(), plat::err::kPathNotFound);
}

}  // namespace
