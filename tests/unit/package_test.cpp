// Unpacking the driver package and removing the working files again.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>
#include <string>

#include "archive_writer.h"
#include "installer_harness.h"
#include "package/working_files.h"
#include "platform/sim/sim_archive_writer.h"

namespace {

using namespace std::chrono_literals;

struct ExtractCase {
    const char* what;
    std::function<void(InstallerHarness&)> arrange;
    bool extracted;
};

class Extraction : public testing::TestWithParam<ExtractCase> {};

TEST_P(Extraction, StartUpUnpacksOrLeavesNothing) {
    const ExtractCase& c = GetParam();
    InstallerHarness h;
    c.arrange(h);
    sim::SimDialog& dlg = h.Start();
    ASSERT_TRUE(h.WaitStartup());
    EXPECT_EQ(h.win.files().Exists("C:\\DriverName.cfg"), c.extracted) << c.what;
    EXPECT_EQ(h.win.files().Exists("C:\\Ticket\\x86\\QRR8.DLL"), c.extracted) << c.what;
    EXPECT_EQ(dlg.ComboItems(IDC_DRIVER_COMBO).empty(), !c.extracted) << c.what;
    EXPECT_EQ(dlg.IsEnabled(IDC_INSTALL), c.extracted) << c.what;
    EXPECT_FALSE(h.win.modules().LoadedFrom("7-zip32.dll").has_value()) << "released afterwards";
    EXPECT_TRUE(h.CloseAndWait());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Extraction,
    testing::Values(
        ExtractCase{"the sample package", [](InstallerHarness&) {}, true},
        ExtractCase{"no package",
                    [](InstallerHarness& h) { h.win.files().DeleteFileA("C:\\dist\\DriverData.Drv"); },
                    false},
        ExtractCase{"library only in the working directory",
                    [](InstallerHarness& h) {
                        h.win.files().DeleteFileA("C:\\dist\\7-zip32.dll");
                        h.win.files().MakeDirectories("C:\\work");
                        h.win.modules().PlaceArchiver("C:\\work");
                        h.win.files().CopyFile("C:\\dist\\DriverData.Drv",
                                             "C:\\work\\DriverData.Drv");
                        h.win.files().SetCurrentDirectory("C:\\work");
                    },
                    false},
        ExtractCase{"library only on PATH",
                    [](InstallerHarness& h) {
                        h.win.files().DeleteFileA("C:\\dist\\7-zip32.dll");
                        h.win.files().MakeDirectories("C:\\tools");
                        h.win.modules().PlaceArchiver("C:\\tools");
                        h.win.modules().SetSearchPath({"C:\\tools"});
                    },
                    false},
        ExtractCase{"library in the system folder",
                    [](InstallerHarness& h) {
                        h.win.files().DeleteFileA("C:\\dist\\7-zip32.dll");
                        h.win.modules().PlaceArchiver("C:\\windows\\system32");
                    },
                    true},
        ExtractCase{"system without the search flags",
                    [](InstallerHarness& h) { h.win.modules().SetSearchFlagsSupported(false); },
                    true},
        ExtractCase{"library without SevenZip",
                    [](InstallerHarness& h) { h.win.modules().BreakArchiverExport("SevenZip"); },
                    false},
        ExtractCase{"library without SevenZipSetOwnerWindowEx",
                    [](InstallerHarness& h) {
                        h.win.modules().BreakArchiverExport("SevenZipSetOwnerWindowEx");
                    },
                    false},
        ExtractCase{"a failing extraction",
                    [](InstallerHarness& h) {
                        h.win.faults().FailAlways("SevenZip", plat::err::kAccessDenied);
                    },
                    false},
        ExtractCase{"a package started from another working directory",
                    [](InstallerHarness& h) {
                        h.win.files().MakeDirectories("C:\\elsewhere");
                        h.win.files().CopyFile("C:\\dist\\DriverData.Drv",
                                             "C:\\elsewhere\\DriverData.Drv");
                        h.win.files().DeleteFileA("C:\\dist\\DriverData.Drv");
                        h.win.files().SetCurrentDirectory("C:\\elsewhere");
                    },
                    true}));

// Hostile packages and driver lists: each is refused or read safely, and
// nothing is written outside the working folders, which go on close.
struct HostileCase {
    const char* what;
    std::vector<sim::TestArchiveEntry> entries;  // none: `raw` is the package
    std::string raw;
    std::vector<std::string> listed;  // the driver list after the start-up
};

using E = sim::TestArchiveEntry;
const std::string kGoodList = "[S0]\r\nPrintName1=Driver 0\r\n";

// Every header is read before anything is written: the last entry, outside
// the output folder, refuses them all.
std::vector<E> ManyEntries(int count) {
    std::vector<E> entries = {E::File("DriverName.cfg", kGoodList)};
    for (int i = 1; i < count - 1; ++i) entries.push_back(E::File("Ticket/f" + std::to_string(i), ""));
    entries.push_back(E::File("../evil.txt", "x"));
    return entries;
}

std::string Garbage(std::size_t size) {
    std::mt19937 random(7);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

class HostilePackage : public testing::TestWithParam<HostileCase> {};

TEST_P(HostilePackage, IsRefusedOrReadSafely) {
    const HostileCase& c = GetParam();
    InstallerHarness h;
    const auto package = h.win.files().HostPath("C:\\dist\\DriverData.Drv");
    if (c.entries.empty()) {
        ASSERT_TRUE(h.win.files().WriteFile("C:\\dist\\DriverData.Drv", c.raw));
    } else {
        ASSERT_TRUE(sim::WriteTestArchive(package, c.entries, sim::TestArchiveFormat::kTar));
    }
    std::set<std::string> before;
    for (const auto& f : std::filesystem::recursive_directory_iterator(h.win.HostRoot())) {
        before.insert(f.path().string());
    }
    sim::SimDialog& dlg = h.Start();
    ASSERT_TRUE(h.WaitStartup(60s));
    EXPECT_EQ(dlg.ComboItems(IDC_DRIVER_COMBO), c.listed);
    for (const auto& f : std::filesystem::recursive_directory_iterator(h.win.HostRoot())) {
        const std::string rel = f.path().lexically_relative(h.win.HostRoot()).generic_string();
        const bool working = rel.rfind("c/Ticket", 0) == 0 || rel.rfind("c/Barcode", 0) == 0 ||
                             rel == "c/DriverName.cfg";
        EXPECT_TRUE(before.count(f.path().string()) != 0 || working) << rel;
    }
    // Beside the drives, where the entries above would land.
    for (const char* name : {"evil.txt", "out"}) {
        EXPECT_FALSE(std::filesystem::exists(h.win.HostRoot().parent_path() / name)) << name;
    }
    EXPECT_FALSE(std::filesystem::exists("/abs/evil.txt"));
    ASSERT_TRUE(h.CloseAndWait(60s));
    for (const char* path : {"C:\\Ticket", "C:\\Barcode", "C:\\DriverName.cfg"}) {
        EXPECT_FALSE(h.win.files().Exists(path)) << path;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, HostilePackage,
    testing::Values(
        HostileCase{"a parent folder entry", {E::File("DriverName.cfg", kGoodList), E::File("../evil.txt", "x")}, "", {}},
        HostileCase{"an absolute entry", {E::File("DriverName.cfg", kGoodList), E::File("/abs/evil.txt", "x")}, "", {}},
        HostileCase{"a parent folder deeper down",
                    {E::File("DriverName.cfg", kGoodList), E::File("Ticket/../../evil.txt", "x")}, "", {}},
        HostileCase{"a drive letter", {E::File("DriverName.cfg", kGoodList), E::File("C:/evil.txt", "x")}, "", {}},
        HostileCase{"a symbolic link out", {E::File("DriverName.cfg", kGoodList), E::Symlink("Ticket/l", "../../out")}, "", {}},
        HostileCase{"a hard link out", {E::File("DriverName.cfg", kGoodList), E::Hardlink("Ticket/l", "../out")}, "", {}},
        HostileCase{"100 000 entries", ManyEntries(100000), "", {}},
        HostileCase{"a driver list of 10 MB",
                    {E::File("DriverName.cfg", kGoodList + std::string(10 << 20, 'x'))}, "", {"Driver 0"}},
        HostileCase{"names of 10 000 characters",
                    {E::File("DriverName.cfg", "[S0]\r\nPrintName1=" + std::string(10000, 'n') + "\r\n[" +
                                                   std::string(10000, 's') + "]\r\nPrintName1=b\r\n" +
                                                   std::string(10000, 'k') + "=v\r\n"),
                     E::File("Ticket/" + std::string(10000, 'e'), "x")},
                    "",
                    {std::string(127, 'n')}},
        HostileCase{"binary garbage", {}, Garbage(65536), {}},
        HostileCase{"an empty file", {}, "", {}}),
    [](const testing::TestParamInfo<HostileCase>& p) {
        std::string name;
        for (char ch : std::string(p.param.what)) {
            if (std::isalnum(static_cast<unsigned char>(ch))) name += ch;
        }
        return name;
    });

TEST(ArchiverDll, RefusesPathsThatDoNotFitTheCommand) {
    InstallerHarness h;
    CArchiverDll archiver(h.platform);
    const std::string longPath = "C:\\" + std::string(1100, 'p') + "\\DriverData.Drv";
    EXPECT_EQ(archiver.Extract(longPath.c_str(), "C:\\"), 0u);
    EXPECT_EQ(h.win.faults().CallCount("SevenZip"), 0);
    archiver.Unload();
    EXPECT_EQ(archiver.m_hModule, nullptr);
}

TEST(ArchiverDll, ExtractsTheSamplePackageAndAnswersTheCallback) {
    InstallerHarness h;
    CArchiverDll archiver(h.platform);
    EXPECT_EQ(archiver.Extract("C:\\dist\\DriverData.Drv", "C:\\"), 2u);
    EXPECT_TRUE(h.win.files().Exists("C:\\Barcode\\Common\\QV315TF.DAT"));
    EXPECT_EQ(h.win.archiver().LastCommand(), "x -y \"C:\\dist\\DriverData.Drv\" -o\"C:\\\" -hide");
    EXPECT_EQ(CArchiverDll::ArchiverProc(nullptr, 0, 0, nullptr), 1);
    EXPECT_NE(archiver.m_pfnGetRunning, nullptr);
    archiver.Unload();
    EXPECT_FALSE(h.win.modules().LoadedFrom("7-zip32.dll").has_value());
}

TEST(ArchiverDll, ALongCurrentDirectoryIsNotCutShort) {
    InstallerHarness h;
    const std::string deep = "C:\\" + std::string(120, 'a') + "\\" + std::string(150, 'b');
    h.win.files().MakeDirectories(deep);
    h.win.files().SetCurrentDirectory(deep);
    h.Start();
    ASSERT_TRUE(h.WaitStartup());
    EXPECT_EQ(h.win.faults().CallCount("SevenZip"), 0);
    EXPECT_FALSE(h.win.files().Exists("C:\\DriverName.cfg"));
}

// The cleanup on close.

struct CleanupCase {
    const char* what;
    std::vector<std::string> files;
    std::vector<std::string> readOnly;
    std::vector<std::string> survivors;
    std::vector<std::string> gone;
    // Junctions made after the files: link, then the folder it points to.
    std::vector<std::pair<std::string, std::string>> junctions = {};
};

// Deeper than MAX_PATH below c:\Ticket.
const std::string kDeep = "C:\\Ticket\\" + std::string(100, 'a') + "\\" + std::string(100, 'b') +
                          "\\" + std::string(100, 'c');

class Cleanup : public testing::TestWithParam<CleanupCase> {};

TEST_P(Cleanup, RemovesTheWorkingFiles) {
    const CleanupCase& c = GetParam();
    InstallerHarness h(/*withPackage=*/false);
    h.win.files().AddDrive('D');
    for (const std::string& file : c.files) {
        const std::string folder = file.substr(0, file.find_last_of('\\'));
        h.win.files().MakeDirectories(folder);
        h.win.files().WriteFile(file, "x");
    }
    for (const std::string& file : c.readOnly) {
        h.win.files().SetFileAttributesA(file.c_str(), plat::kFileAttributeReadOnly);
    }
    for (const auto& [link, target] : c.junctions) {
        h.win.files().MakeDirectories(target);
        ASSERT_TRUE(h.win.files().MakeJunction(link, target)) << link;
    }
    h.Start();
    ASSERT_TRUE(h.WaitStartup());
    ASSERT_TRUE(h.CloseAndWait());
    for (const std::string& path : c.survivors) EXPECT_TRUE(h.win.files().Exists(path)) << path;
    for (const std::string& path : c.gone) EXPECT_FALSE(h.win.files().Exists(path)) << path;
    EXPECT_EQ(h.win.files().OpenFindCount(), 0u) << "every search is closed";
}

INSTANTIATE_TEST_SUITE_P(
    Trees, Cleanup,
    testing::Values(
        CleanupCase{"nested folders of any depth",
                    {"C:\\Ticket\\x86\\a\\b\\c\\d\\deep.dll", "C:\\Ticket\\x64\\x.dll",
                     "C:\\Barcode\\Common\\y.dat", "C:\\DriverName.cfg"},
                    {},
                    {"C:\\dist"},
                    {"C:\\Ticket", "C:\\Barcode", "C:\\DriverName.cfg"}},
        CleanupCase{"a read-only file keeps its folder chain",
                    {"C:\\Ticket\\x86\\keep.dll", "C:\\Ticket\\x86\\go.dll",
                     "C:\\Ticket\\x64\\go.dll", "C:\\Barcode\\x86\\go.dll", "C:\\DriverName.cfg"},
                    {"C:\\Ticket\\x86\\keep.dll"},
                    {"C:\\Ticket\\x86\\keep.dll"},
                    {"C:\\Ticket\\x86\\go.dll", "C:\\Ticket\\x64", "C:\\Barcode",
                     "C:\\DriverName.cfg"}},
        CleanupCase{"names found whatever their case",
                    {"C:\\TICKET\\X86\\A.DLL", "C:\\barcode\\common\\b.dat", "C:\\drivername.CFG"},
                    {},
                    {},
                    {"C:\\Ticket", "C:\\Barcode", "C:\\DriverName.cfg"}},
        CleanupCase{"nothing there", {}, {}, {"C:\\dist"}, {"C:\\Ticket"}},
        CleanupCase{"other files on C: stay",
                    {"C:\\Tickets\\keep.txt", "C:\\Barcode.txt", "C:\\Ticket\\x.dll"},
                    {},
                    {"C:\\Tickets\\keep.txt", "C:\\Barcode.txt"},
                    {"C:\\Ticket"}},
        CleanupCase{"a tree deeper than MAX_PATH goes whole",
                    {kDeep + "\\deep.dll", "C:\\Ticket\\x86\\a.dll"},
                    {},
                    {},
                    {"C:\\Ticket"}},
        CleanupCase{"a junction below a working folder goes as a link, its target stays",
                    {"D:\\Keep\\sub\\mine.txt", "C:\\Ticket\\x86\\a.dll"},
                    {},
                    {"D:\\Keep\\sub\\mine.txt"},
                    {"C:\\Ticket"},
                    {{"C:\\Ticket\\x86\\Keep", "D:\\Keep"}}},
        CleanupCase{"a working folder that is a junction is refused, the next item is tried",
                    {"D:\\Keep\\sub\\mine.txt", "D:\\Keep\\x86\\a.dll", "C:\\Barcode\\x86\\b.dll",
                     "C:\\DriverName.cfg"},
                    {},
                    {"C:\\Ticket", "D:\\Keep\\sub\\mine.txt", "D:\\Keep\\x86\\a.dll"},
                    {"C:\\Barcode", "C:\\DriverName.cfg"},
                    {{"C:\\Ticket", "D:\\Keep"}}},
        CleanupCase{"so is c:\\Barcode",
                    {"D:\\Keep\\mine.txt", "C:\\Ticket\\x86\\a.dll"},
                    {},
                    {"C:\\Barcode", "D:\\Keep\\mine.txt"},
                    {"C:\\Ticket"},
                    {{"C:\\Barcode", "D:\\Keep"}}}));

TEST(DeleteDirectoryTree, ReportsWhetherTheFolderWent) {
    InstallerHarness h(false);
    h.win.files().MakeDirectories("C:\\T\\sub");
    h.win.files().WriteFile("C:\\T\\sub\\f", "x");
    EXPECT_TRUE(DeleteDirectoryTree(h.win.files(), "C:\\T"));
    EXPECT_FALSE(DeleteDirectoryTree(h.win.files(), "C:\\T"));
    h.win.files().MakeDirectories("C:\\R");
    h.win.files().WriteFile("C:\\R\\ro", "x");
    h.win.files().SetFileAttributesA("C:\\R\\ro", plat::kFileAttributeReadOnly);
    EXPECT_FALSE(DeleteDirectoryTree(h.win.files(), "C:\\R"));
    EXPECT_TRUE(h.win.files().Exists("C:\\R\\ro"));
    ASSERT_TRUE(h.win.files().MakeJunction("C:\\J", "C:\\R"));
    EXPECT_FALSE(DeleteDirectoryTree(h.win.files(), "C:\\J"));
    EXPECT_TRUE(h.win.files().Exists("C:\\J"));
}

}  // namespace
