// The simulated archiver library: extraction through its entry points, and
// the archives it refuses.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/archiver_api.h"
#include "platform/sim/sim_archive_writer.h"
#include "platform/sim/sim_windows.h"

namespace {

using Entry = sim::TestArchiveEntry;

class SimArchiverTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_win.modules().PlaceArchiver("C:\\dist");
        m_module = m_win.modules().LoadLibraryExA("7-zip32.dll", 0);
        ASSERT_NE(m_module, nullptr);
        m_sevenZip = plat::ResolveProc<plat::SevenZipFn>(m_win.modules(), m_module, "SevenZip");
        m_setOwner = plat::ResolveProc<plat::SevenZipSetOwnerWindowExFn>(m_win.modules(), m_module,
                                                                          "SevenZipSetOwnerWindowEx");
        m_killOwner = plat::ResolveProc<plat::SevenZipKillOwnerWindowExFn>(m_win.modules(), m_module,
                                                                           "SevenZipKillOwnerWindowEx");
        ASSERT_TRUE(m_sevenZip && m_setOwner && m_killOwner);
    }
    void TearDown() override { m_win.modules().FreeLibrary(m_module); }

    void Package(const std::vector<Entry>& entries, sim::TestArchiveFormat format = sim::TestArchiveFormat::kSevenZip) {
        ASSERT_TRUE(sim::WriteTestArchive(m_win.files().HostPath("C:\\dist\\DriverData.Drv"), entries, format));
    }
    int Extract(const std::string& command = "x -y \"C:\\dist\\DriverData.Drv\" -o\"C:\\\" -hide") {
        std::vector<char> output(16385, '\0');
        return m_sevenZip(nullptr, command.c_str(), output.data(), 16384);
    }
    std::optional<std::string> Read(const std::string& path) { return m_win.files().ReadFile(path); }

    sim::SimWindows m_win;
    plat::Handle m_module = nullptr;
    plat::SevenZipFn m_sevenZip = nullptr;
    plat::SevenZipSetOwnerWindowExFn m_setOwner = nullptr;
    plat::SevenZipKillOwnerWindowExFn m_killOwner = nullptr;
};

TEST_F(SimArchiverTest, ExtractsEveryFormatWithStoredPaths) {
    for (sim::TestArchiveFormat format :
         {sim::TestArchiveFormat::kSevenZip, sim::TestArchiveFormat::kZip, sim::TestArchiveFormat::kTar}) {
        Package({Entry::File("DriverName.cfg", "[A]\r\nPrintName1=x\r\n"),
                 Entry::Directory("Ticket/x86/"),
                 Entry::File("Ticket/x86/QRR8.DLL", "dll"),
                 Entry::File("Barcode\\Common\\VORELIN.chm", "help")},
                format);
        ASSERT_EQ(Extract(), sim::kArchiverOk);
        EXPECT_EQ(Read("C:\\DriverName.cfg"), "[A]\r\nPrintName1=x\r\n");
        EXPECT_EQ(Read("C:\\Ticket\\x86\\QRR8.DLL"), "dll");
        EXPECT_EQ(Read("C:\\Barcode\\Common\\VORELIN.chm"), "help");
        m_win.files().DeleteFileA("C:\\dist\\DriverData.Drv");
    }
}

TEST_F(SimArchiverTest, OverwritesAndMergesIntoFoldersOfAnotherCase) {
    ASSERT_TRUE(m_win.files().WriteFile("C:\\TICKET\\X86\\qrr8.dll", "old"));
    Package({Entry::File("Ticket/x86/QRR8.DLL", "new")});
    ASSERT_EQ(Extract(), sim::kArchiverOk);
    EXPECT_EQ(m_win.files().List("C:\\"), (std::vector<std::string>{"dist", "TICKET", "windows"}));
    EXPECT_EQ(Read("C:\\Ticket\\x86\\QRR8.DLL"), "new");
}

// An archive that would write outside the output folder is refused whole:
// nothing of it is written, not even its harmless entries.
TEST_F(SimArchiverTest, RefusesArchivesReachingOutsideTheOutputFolder) {
    const std::vector<std::vector<Entry>> unsafe = {
        {Entry::File("Ticket/ok.txt", "ok"), Entry::File("../escaped.txt", "bad")},
        {Entry::File("Ticket/ok.txt", "ok"), Entry::File("Ticket/../../escaped.txt", "bad")},
        {Entry::File("Ticket/ok.txt", "ok"), Entry::File("/escaped.txt", "bad")},
        {Entry::File("Ticket/ok.txt", "ok"), Entry::Symlink("Ticket/link", "../../escaped.txt")},
        {Entry::File("Ticket/ok.txt", "ok"), Entry::Symlink("Ticket/link", "/etc/passwd")},
        {Entry::File("Ticket/ok.txt", "ok"), Entry::Hardlink("Ticket/hard", "../escaped.txt")},
    };
    for (std::size_t i = 0; i < unsafe.size(); ++i) {
        Package(unsafe[i], sim::TestArchiveFormat::kTar);
        EXPECT_EQ(Extract(), sim::kArchiverError) << "case " << i;
        EXPECT_FALSE(m_win.files().Exists("C:\\Ticket")) << "case " << i;
        EXPECT_FALSE(std::filesystem::exists(m_win.HostRoot() / "escaped.txt")) << "case " << i;
        EXPECT_NE(m_win.archiver().LastReport().find("refused"), std::string::npos) << "case " << i;
    }
}

TEST_F(SimArchiverTest, LinksInsideBecomeFiles) {
    Package({Entry::File("Ticket/a.txt", "text"),
             Entry::Hardlink("Ticket/hard.txt", "Ticket/a.txt"),
             Entry::Symlink("Ticket/sub/soft", "../a.txt")},
            sim::TestArchiveFormat::kTar);
    ASSERT_EQ(Extract(), sim::kArchiverOk);
    EXPECT_EQ(Read("C:\\Ticket\\hard.txt"), "text");
    EXPECT_EQ(Read("C:\\Ticket\\sub\\soft"), "../a.txt");
    EXPECT_FALSE(std::filesystem::is_symlink(m_win.files().HostPath("C:\\Ticket\\sub\\soft")));
}

TEST_F(SimArchiverTest, ReadOnlyTargetIsAnErrorButTheRestIsWritten) {
    ASSERT_TRUE(m_win.files().WriteFile("C:\\Ticket\\ro.txt", "old"));
    ASSERT_TRUE(m_win.files().SetFileAttributesA("C:\\Ticket\\ro.txt", plat::kFileAttributeReadOnly));
    Package({Entry::File("Ticket/ro.txt", "new"), Entry::File("Ticket/other.txt", "other")});
    EXPECT_EQ(Extract(), sim::kArchiverError);
    EXPECT_EQ(Read("C:\\Ticket\\ro.txt"), "old");
    EXPECT_EQ(Read("C:\\Ticket\\other.txt"), "other");
}

TEST_F(SimArchiverTest, CommandsItDoesNotUnderstand) {
    Package({Entry::File("a.txt", "a")});
    for (const char* command : {"", "e -y \"C:\\dist\\DriverData.Drv\" -o\"C:\\\"",
                                "x \"C:\\dist\\DriverData.Drv\" -o\"C:\\\"",
                                "x -y \"C:\\dist\\DriverData.Drv\" -o\"C:\\\" -hide extra"}) {
        EXPECT_EQ(Extract(command), sim::kArchiverCommandError) << command;
    }
    EXPECT_EQ(Extract("x -y \"C:\\dist\\none.Drv\" -o\"C:\\\" -hide"), sim::kArchiverError);
    EXPECT_EQ(Extract("x -y \"C:\\dist\\DriverData.Drv\" -o\"C:\\\""), sim::kArchiverOk);
    EXPECT_FALSE(m_win.files().Exists("C:\\Ticket"));
}

int g_calls = 0;
unsigned g_states[4];
int g_answer = 1;

int PLAT_STDCALL Owner(void*, unsigned, unsigned state, void*) {
    if (g_calls < 4) g_states[g_calls] = state;
    ++g_calls;
    return g_answer;
}

TEST_F(SimArchiverTest, OwnerCallbackIsToldAndCanStop) {
    Package({Entry::File("Ticket/a.txt", "a")});
    void* owner = reinterpret_cast<void*>(0x42);
    ASSERT_EQ(m_setOwner(owner, &Owner), 1);
    EXPECT_EQ(m_setOwner(owner, &Owner), 0);  // one owner at a time
    g_calls = 0;
    g_answer = 1;
    ASSERT_EQ(Extract(), sim::kArchiverOk);
    ASSERT_EQ(g_calls, 2);
    EXPECT_EQ(g_states[0], sim::kArchiverStateBegin);
    EXPECT_EQ(g_states[1], sim::kArchiverStateEnd);

    ASSERT_TRUE(m_win.files().DeleteFileA("C:\\Ticket\\a.txt"));
    g_answer = 0;
    EXPECT_EQ(Extract(), sim::kArchiverStopped);
    EXPECT_FALSE(m_win.files().Exists("C:\\Ticket\\a.txt"));
    EXPECT_EQ(m_killOwner(owner), 1);
    EXPECT_EQ(m_killOwner(owner), 0);
    g_calls = 0;
    EXPECT_EQ(Extract(), sim::kArchiverOk);
    EXPECT_EQ(g_calls, 0);
}

TEST_F(SimArchiverTest, OutputIsBoundedAndTerminated) {
    Package({Entry::File("Ticket/a-long-name-to-fill-the-report.txt", "a")});
    char output[12];
    std::memset(output, 'x', sizeof output);
    const std::string command = "x -y \"C:\\dist\\DriverData.Drv\" -o\"C:\\\" -hide";
    ASSERT_EQ(m_sevenZip(nullptr, command.c_str(), output, 8), sim::kArchiverOk);
    EXPECT_EQ(std::strlen(output), 7u);
    EXPECT_EQ(output[8], 'x');
    EXPECT_EQ(m_sevenZip(nullptr, command.c_str(), nullptr, 0), sim::kArchiverOk);
}

TEST_F(SimArchiverTest, FaultMakesItFailWithTheCodeGiven) {
    Package({Entry::File("Ticket/a.txt", "a")});
    m_win.FailNext("SevenZip", 8);
    EXPECT_EQ(Extract(), 8);
    EXPECT_FALSE(m_win.files().Exists("C:\\Ticket"));
    EXPECT_EQ(Extract(), sim::kArchiverOk);
    EXPECT_EQ(m_win.faults().CallCount("SevenZip"), 2);
}

using SimArchiverDeathTest = SimArchiverTest;

TEST_F(SimArchiverDeathTest, EntryPointUsedAfterTheLibraryWasFreedAborts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_TRUE(m_win.modules().FreeLibrary(m_module));
    plat::SevenZipFn stale = m_sevenZip;
    EXPECT_DEATH(stale(nullptr, "x", nullptr, 0), "not loaded");
    m_module = m_win.modules().LoadLibraryExA("7-zip32.dll", 0);
}

}  // namespace
