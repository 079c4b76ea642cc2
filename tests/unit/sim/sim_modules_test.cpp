// The simulated library loader: where "7-zip32.dll" is found, and how.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/archiver_api.h"
#include "platform/sim/sim_windows.h"

namespace {

constexpr std::uint32_t kSearchFlags =
    plat::kLoadLibrarySearchApplicationDir | plat::kLoadLibrarySearchSystem32;

struct SearchCase {
    const char* what;
    const char* folder;  // where the library lies; nullptr: nowhere
    std::uint32_t flags;
    bool flagsSupported;
    const char* loadedFrom;  // nullptr: not loaded
    std::uint32_t error;
};

class SimSearchTest : public ::testing::TestWithParam<SearchCase> {};

TEST_P(SimSearchTest, FindsTheArchiverWhereWindowsWould) {
    const SearchCase& c = GetParam();
    sim::SimWindows win;
    win.files().MakeDirectories("C:\\work");
    win.files().MakeDirectories("C:\\tools");
    win.files().SetCurrentDirectory("C:\\work");
    win.modules().SetSearchPath({"C:\\tools"});
    win.modules().SetSearchFlagsSupported(c.flagsSupported);
    if (c.folder) win.modules().PlaceArchiver(c.folder);
    win.system().SetLastError(0);
    plat::Handle module = win.modules().LoadLibraryExA("7-ZIP32.DLL", c.flags);
    if (c.loadedFrom) {
        ASSERT_NE(module, nullptr) << c.what;
        EXPECT_EQ(win.modules().LoadedFrom("7-zip32.dll"), std::string(c.loadedFrom) + "\\7-zip32.dll") << c.what;
        EXPECT_TRUE(win.modules().FreeLibrary(module));
    } else {
        EXPECT_EQ(module, nullptr) << c.what;
        EXPECT_EQ(win.system().GetLastError(), c.error) << c.what;
    }
    EXPECT_EQ(win.modules().LoadedCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimSearchTest,
    ::testing::Values(
        SearchCase{"program folder, classic", "C:\\dist", 0, true, "C:\\dist", 0},
        SearchCase{"system folder, classic", "C:\\windows\\system32", 0, true, "C:\\windows\\system32", 0},
        SearchCase{"current folder, classic", "C:\\work", 0, true, "C:\\work", 0},
        SearchCase{"PATH, classic", "C:\\tools", 0, true, "C:\\tools", 0},
        SearchCase{"nowhere", nullptr, 0, true, nullptr, plat::err::kModNotFound},
        SearchCase{"program folder, search flags", "C:\\dist", kSearchFlags, true, "C:\\dist", 0},
        SearchCase{"system folder, search flags", "C:\\windows\\system32", kSearchFlags, true,
                   "C:\\windows\\system32", 0},
        SearchCase{"current folder is not searched", "C:\\work", kSearchFlags, true, nullptr, plat::err::kModNotFound},
        SearchCase{"PATH is not searched", "C:\\tools", kSearchFlags, true, nullptr, plat::err::kModNotFound},
        SearchCase{"flags unknown to the system", "C:\\dist", kSearchFlags, false, nullptr,
                   plat::err::kInvalidParameter}),
    [](const auto& param) { return "case" + std::to_string(param.index); });

TEST(SimModules, ProgramFolderComesBeforeTheCurrentFolder) {
    sim::SimWindows win;
    win.files().SetCurrentDirectory("C:\\");
    win.modules().PlaceArchiver("C:\\");
    win.modules().PlaceArchiver("C:\\dist");
    plat::Handle module = win.modules().LoadLibraryExA("7-zip32.dll", 0);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(win.modules().LoadedFrom("7-zip32.dll"), "C:\\dist\\7-zip32.dll");
    win.modules().FreeLibrary(module);
}

TEST(SimModules, FullPathLoadsExactlyThatFile) {
    sim::SimWindows win;
    win.modules().PlaceArchiver("C:\\dist");
    EXPECT_EQ(win.modules().LoadLibraryExA("C:\\windows\\system32\\7-zip32.dll", 0), nullptr);
    EXPECT_EQ(win.system().GetLastError(), plat::err::kModNotFound);
    plat::Handle module = win.modules().LoadLibraryExA("c:\\DIST\\7-zip32.dll", 0);
    ASSERT_NE(module, nullptr);
    win.modules().FreeLibrary(module);
}

TEST(SimModules, LoadingTwiceCountsReferences) {
    sim::SimWindows win;
    win.modules().PlaceArchiver("C:\\dist");
    plat::Handle first = win.modules().LoadLibraryExA("7-zip32.dll", 0);
    plat::Handle second = win.modules().LoadLibraryExA("7-zip32", kSearchFlags);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_TRUE(win.modules().FreeLibrary(first));
    EXPECT_TRUE(win.modules().LoadedFrom("7-zip32.dll"));
    EXPECT_TRUE(win.modules().FreeLibrary(second));
    EXPECT_FALSE(win.modules().LoadedFrom("7-zip32.dll"));
    EXPECT_FALSE(win.modules().FreeLibrary(first));
}

TEST(SimModules, ArchiverExportsItsFourEntryPointsUnlessBroken) {
    sim::SimWindows win;
    win.modules().PlaceArchiver("C:\\dist");
    win.modules().BreakArchiverExport("SevenZipKillOwnerWindowEx");
    plat::Handle module = win.modules().LoadLibraryExA("7-zip32.dll", 0);
    ASSERT_NE(module, nullptr);
    EXPECT_NE(plat::ResolveProc<plat::SevenZipFn>(win.modules(), module, "SevenZip"), nullptr);
    EXPECT_NE(win.modules().GetProcAddress(module, "SevenZipSetOwnerWindowEx"), nullptr);
    EXPECT_NE(win.modules().GetProcAddress(module, "SevenZipGetRunning"), nullptr);
    EXPECT_EQ(win.modules().GetProcAddress(module, "SevenZipKillOwnerWindowEx"), nullptr);
    EXPECT_EQ(win.system().GetLastError(), plat::err::kProcNotFound);
    win.modules().FreeLibrary(module);
}

TEST(SimModules, IsWow64ProcessExportFollowsTheSystem) {
    sim::SimWindows win;
    plat::Handle kernel = win.modules().LoadLibraryExA("KERNEL32.DLL", 0);
    ASSERT_NE(kernel, nullptr);
    EXPECT_NE(win.modules().GetProcAddress(kernel, "IsWow64Process"), nullptr);
    win.system().SetHasIsWow64Process(false);
    EXPECT_EQ(win.modules().GetProcAddress(kernel, "IsWow64Process"), nullptr);
    bool wow64 = false;
    EXPECT_FALSE(win.system().IsWow64Process(&wow64));
    win.modules().FreeLibrary(kernel);
}

// The entry points find their simulated Windows through one pointer, so
// only one may have the library loaded at a time.
TEST(SimModules, OnlyOneSimulatedWindowsHoldsTheArchiver) {
    sim::SimWindows first, second;
    first.modules().PlaceArchiver("C:\\dist");
    second.modules().PlaceArchiver("C:\\dist");
    plat::Handle held = first.modules().LoadLibraryExA("7-zip32.dll", 0);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(second.modules().LoadLibraryExA("7-zip32.dll", 0), nullptr);
    EXPECT_EQ(second.system().GetLastError(), sim::kErrorDllInitFailed);
    first.modules().FreeLibrary(held);
    plat::Handle now = second.modules().LoadLibraryExA("7-zip32.dll", 0);
    EXPECT_NE(now, nullptr);
    second.modules().FreeLibrary(now);
}

}  // namespace
