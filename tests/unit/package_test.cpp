// Unpacking the driver package and removing the working files again.
#include <gtest/gtest.h>

#include <string>

#include "archive_writer.h"
#include "installer_harness.h"
#include "package/working_files.h"

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

void Overwrite(InstallerHarness& h, std::vector<ArchiveEntry> entries) {
    ASSERT_TRUE(WriteArchive(h.win.files().HostPath("C:\\dist\\DriverData.Drv"), entries));
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
        ExtractCase{"a corrupt package",
                    [](InstallerHarness& h) {
                        h.win.files().WriteFile("C:\\dist\\DriverData.Drv", "not an archive");
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

TEST(ExtractionSafety, EntriesOutsideTheOutputFolderAreRefused) {
    const std::vector<std::vector<ArchiveEntry>> hostile = {
        {{"DriverName.cfg", "[A]\r\nPrintName1=a\r\n", ""}, {"../evil.txt", "x", ""}},
        {{"DriverName.cfg", "[A]\r\nPrintName1=a\r\n", ""}, {"/abs/evil.txt", "x", ""}},
        {{"DriverName.cfg", "[A]\r\nPrintName1=a\r\n", ""}, {"Ticket/../../evil.txt", "x", ""}},
        {{"DriverName.cfg", "[A]\r\nPrintName1=a\r\n", ""}, {"link", "", "../../outside"}},
    };
    for (const auto& entries : hostile) {
        SCOPED_TRACE(entries[1].path);
        InstallerHarness h;
        Overwrite(h, entries);
        sim::SimDialog& dlg = h.Start();
        ASSERT_TRUE(h.WaitStartup());
        EXPECT_FALSE(h.win.files().Exists("C:\\DriverName.cfg"));
        EXPECT_FALSE(std::filesystem::exists(h.win.files().HostPath("C:\\").parent_path() /
                                             "evil.txt"));
        EXPECT_TRUE(dlg.ComboItems(IDC_DRIVER_COMBO).empty());
    }
}

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
};

class Cleanup : public testing::TestWithParam<CleanupCase> {};

TEST_P(Cleanup, RemovesTheWorkingFiles) {
    const CleanupCase& c = GetParam();
    InstallerHarness h(/*withPackage=*/false);
    for (const std::string& file : c.files) {
        const std::string folder = file.substr(0, file.find_last_of('\\'));
        h.win.files().MakeDirectories(folder);
        h.win.files().WriteFile(file, "x");
    }
    for (const std::string& file : c.readOnly) {
        h.win.files().SetFileAttributesA(file.c_str(), plat::kFileAttributeReadOnly);
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
                    {"C:\\Ticket"}}));

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
}

}  // namespace
