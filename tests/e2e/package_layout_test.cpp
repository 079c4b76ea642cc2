// Where the installer looks for its driver package and its archiver library:
// the package in the working directory, the library beside the program (or
// in the system folder) and never in the working directory alone. Without
// either the start-up still ends, with no driver to choose, and the
// installer still closes cleanly.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "dialog_probe.h"
#include "e2e_options.h"
#include "installer_session.h"
#include "process_list.h"
#include "scratch_folder.h"
#include "shared_run.h"
#include "working_files.h"

namespace e2e {
namespace {

constexpr char kInstaller[] = "installer.exe";
constexpr char kLibrary[] = "7-zip32.dll";
constexpr char kPackage[] = "DriverData.Drv";

struct LayoutCase {
    const char* name;
    std::vector<const char*> besideProgram;  // from the distribution folder
    std::vector<const char*> inWorkingDir;   // empty: the program's folder is the working directory
    bool unpacks;                            // the package is found and unpacked
    CloseWay closeWith;
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

const LayoutCase kLayouts[] = {
    {"NoPackage", {kInstaller, kLibrary}, {}, false, CloseWay::CancelButton},
    {"NoArchiverLibrary", {kInstaller, kPackage}, {}, false, CloseWay::CloseBox},
    {"LibraryOnlyInWorkingDirectory", {kInstaller}, {kPackage, kLibrary}, false,
     CloseWay::CancelButton},
    {"PackageInAnotherWorkingDirectory", {kInstaller, kLibrary}, {kPackage}, true,
     CloseWay::CloseBox},
};

class PackageLayoutTest : public OwnRunTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(PackageLayoutTest, StartupEndsAndClosingLeavesNothing) {
    const LayoutCase& c = GetParam();
    const std::string dist = EffectiveWorkingDir(TheOptions());
    for (const char* file : {kInstaller, kLibrary, kPackage}) {
        if (GetFileAttributesA((dist + "\\" + file).c_str()) == INVALID_FILE_ATTRIBUTES) {
            GTEST_SKIP() << "no distribution folder: " << file << " is not in " << dist;
        }
    }
    ScratchFolder root(std::string("e2e-layout-") + c.name);
    ASSERT_TRUE(root.Created()) << root.Path();
    const std::string program = root.MakeSubfolder("program");
    ASSERT_FALSE(program.empty());
    std::string work = program;
    if (!c.inWorkingDir.empty()) {
        work = root.MakeSubfolder("work");
        ASSERT_FALSE(work.empty());
    }
    for (const char* file : c.besideProgram) ASSERT_TRUE(CopyInto(dist + "\\" + file, program)) << file;
    for (const char* file : c.inWorkingDir) ASSERT_TRUE(CopyInto(dist + "\\" + file, work)) << file;

    InstallerSession session(program + "\\" + kInstaller, work);
    ASSERT_TRUE(session.Started()) << session.StartError();
    ASSERT_TRUE(session.WaitForDialog()) << "no visible dialog";
    if (c.unpacks) {
        const StartupObservation seen = session.WatchStartup();
        ASSERT_TRUE(seen.ready) << "Install never became enabled " << seen.problem;
        EXPECT_GT(ReadComboCount(session.Dialog(), IDC_DRIVER_COMBO).value_or(0), 0);
        EXPECT_EQ(WorkingItems(), PresentWorkingItems());
    } else {
        // The system line is the start-up's last step; with no driver to
        // choose Install stays disabled after it.
        ASSERT_EQ("", session.WaitForStatusPrefix(kSystemStatusPrefix, kReadyTimeoutMs))
            << "the start-up did not end";
        Sleep(1000);
        EXPECT_FALSE(ControlEnabled(session.Dialog(), IDC_INSTALL));
        EXPECT_EQ(std::optional<int>(0), ReadComboCount(session.Dialog(), IDC_DRIVER_COMBO));
        EXPECT_EQ(std::vector<std::string>{}, PresentWorkingItems()) << "unpacked after all";
    }
    session.Close(c.closeWith);
    ASSERT_EQ("", session.WaitForExit()) << "waiting for the end after " << Name(c.closeWith);
    EXPECT_EQ(std::vector<std::string>{}, PresentWorkingItems()) << "working files left on C:";
    const auto left = Leftovers(ListProcesses(), session.Id(), kInstaller, {});
    EXPECT_TRUE(left.empty()) << "left running: " << Describe(left);
}

INSTANTIATE_TEST_SUITE_P(Layouts, PackageLayoutTest, ::testing::ValuesIn(kLayouts),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace e2e
