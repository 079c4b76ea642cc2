// What the installer has found out once its start-up has ended, as a person
// sees it: the package's driver names (and the printer name that follows the
// choice), the line naming the system, the kind of port the system's ports
// call for, and the print spooler running.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "combo_probe.h"
#include "dialog_probe.h"
#include "e2e_options.h"
#include "installer_session.h"
#include "ready_run.h"
#include "registry_value_guard.h"
#include "remote_list_view.h"
#include "sample_drivers.h"
#include "service_state.h"
#include "shared_run.h"
#include "system_facts.h"
#include "window_capture.h"
#include "working_files.h"

namespace e2e {
namespace {

constexpr char kSpooler[] = "Spooler";
// Set by the run that keeps the picture of this state: its --screenshot is
// for that picture rather than for the plain dialog's.
constexpr char kPictureVariable[] = "E2E_KNOWLEDGE_PICTURE";

// The rows of the port-type list that are selected, in row order.
std::vector<int> SelectedPortRows(const ReadyRun& run) {
    const RemoteListView list(run.Control(IDC_PORT_LIST), run.ProcessId());
    std::vector<int> rows;
    const int count = list.ItemCount().value_or(0);
    for (int row = 0; row < count; ++row) {
        if (list.ItemState(row, LVIS_SELECTED).value_or(0) & LVIS_SELECTED) rows.push_back(row);
    }
    return rows;
}

// --- One run whose start-up the tests of this suite look at in turn. The
// spooler's state is taken before the run starts, while nothing of it runs.

class StartupKnowledgeTest : public OwnRunTest {
public:
    static void SetUpTestSuite() {
        OwnRunTest::SetUpTestSuite();
        spoolerError_.clear();
        spoolerBefore_ = QueryServiceState(kSpooler, &spoolerError_);
        if (PackageAvailable(TheOptions())) run_ = std::make_unique<ReadyRun>();
    }
    static void TearDownTestSuite() { run_.reset(); }

protected:
    void SetUp() override {
        SKIP_WITHOUT_PACKAGE();
        ASSERT_TRUE(run_->Ready()) << run_->Problem();
    }

    static inline std::unique_ptr<ReadyRun> run_;
    static inline std::optional<DWORD> spoolerBefore_;
    static inline std::string spoolerError_;
};

TEST_F(StartupKnowledgeTest, StartsTheStoppedSpooler) {
    ASSERT_TRUE(spoolerBefore_.has_value()) << spoolerError_;
    if (*spoolerBefore_ != SERVICE_STOPPED) {
        GTEST_SKIP() << "the Spooler service was " << ServiceStateName(*spoolerBefore_)
                     << " before the installer started (an earlier run in this prefix "
                        "started it); a run in a fresh prefix checks this";
    }
    std::string error;
    const auto after = QueryServiceState(kSpooler, &error);
    ASSERT_TRUE(after.has_value()) << error;
    EXPECT_EQ(ServiceStateName(SERVICE_RUNNING), ServiceStateName(*after));
}

TEST_F(StartupKnowledgeTest, ListsThePackageDriverNamesInFileOrder) {
    EXPECT_EQ(std::optional<std::vector<std::string>>(kSampleDriverNames),
              ReadComboItems(run_->Control(IDC_DRIVER_COMBO)));
}

TEST_F(StartupKnowledgeTest, ChoosesTheFirstDriverAndNamesThePrinterAfterIt) {
    EXPECT_EQ(std::optional<int>(0), ReadComboSelection(run_->Control(IDC_DRIVER_COMBO)));
    EXPECT_EQ(std::optional<std::string>(kSampleDriverNames.front()),
              ReadWindowText(run_->Control(IDC_DRIVER_COMBO)));
    EXPECT_EQ(std::optional<std::string>(kSampleDriverNames.front()),
              ReadWindowText(run_->Control(IDC_PRINTER_NAME)));
}

TEST_F(StartupKnowledgeTest, ReadyStateCanBePictured) {
    const char* wanted = std::getenv(kPictureVariable);
    if (wanted == nullptr || std::string(wanted) != "1" || TheOptions().screenshot.empty()) {
        GTEST_SKIP() << "the picture of this state is kept by the run that sets "
                     << kPictureVariable << "=1 and --screenshot=";
    }
    const CaptureResult shot = CaptureWindow(run_->Dialog(), TheOptions().screenshot);
    ASSERT_TRUE(shot.saved) << shot.error;
    EXPECT_GT(shot.distinctColours, 2u) << "the captured dialog is blank";
    std::cout << "[   INFO   ] " << shot.width << "x" << shot.height << " picture in "
              << TheOptions().screenshot << "\n";
}

// A person's choice in the driver list, sometimes after typing a printer name
// of their own. Each case sets everything it depends on, so the order of the
// cases does not matter.
struct ChoiceCase {
    const char* name;
    const char* typedFirst;  // nullptr: the printer name box is left as it is
    size_t choice;           // index into kSampleDriverNames
};

const ChoiceCase kChoices[] = {
    {"second name", nullptr, 1},
    {"label model after typing a name", "Front desk printer", 16},
    {"last name after typing a name", "My printer", 20},
    {"repeated model after emptying the name", "", 10},
    {"first name again", nullptr, 0},
};

TEST_F(StartupKnowledgeTest, ChoosingADriverReplacesThePrinterName) {
    HWND dialog = run_->Dialog();
    HWND combo = run_->Control(IDC_DRIVER_COMBO);
    HWND printerName = run_->Control(IDC_PRINTER_NAME);
    for (const ChoiceCase& c : kChoices) {
        SCOPED_TRACE(c.name);
        ASSERT_LT(c.choice, kSampleDriverNames.size());
        if (c.typedFirst != nullptr) {
            ASSERT_TRUE(SendBounded(printerName, WM_SETTEXT, 0,
                                    reinterpret_cast<LPARAM>(c.typedFirst)));
            ASSERT_EQ(std::optional<std::string>(c.typedFirst), ReadWindowText(printerName))
                << "the typed name did not arrive";
        }
        // What a click on a list entry produces: the new selection, then the
        // combo box's notice to the dialog.
        ASSERT_EQ(std::optional<LRESULT>(static_cast<LRESULT>(c.choice)),
                  SendBounded(combo, CB_SETCURSEL, c.choice, 0));
        ASSERT_TRUE(SendBounded(dialog, WM_COMMAND, MAKEWPARAM(IDC_DRIVER_COMBO, CBN_SELCHANGE),
                                reinterpret_cast<LPARAM>(combo)));
        EXPECT_EQ(std::optional<std::string>(kSampleDriverNames[c.choice]),
                  ReadWindowText(printerName));
    }
}

// --- The line naming the system, in a prefix left as Wine makes it and in
// ones set to report Windows 10 (the installer declares Windows 10 in its
// manifest, which Wine needs as well) or, on 32-bit Windows, XP. Wine reads
// the setting when a program starts, so each case sets it for its own run
// and puts it back afterwards.

struct SystemCase {
    const char* name;
    Release release;
    bool only32Bit;  // Wine offers the release in 32-bit prefixes only
};

void PrintTo(const SystemCase& c, std::ostream* os) { *os << c.name; }

const SystemCase kSystems[] = {
    {"DefaultPrefix", kWindows7, false},
    {"WindowsTenPrefix", {"win10", "Microsoft Windows 10 "}, false},
    {"WindowsXpPrefix", {"winxp", "Microsoft Windows XP "}, true},
};

class SystemLineTest : public OwnRunTest, public ::testing::WithParamInterface<SystemCase> {};

TEST_P(SystemLineTest, NamesTheReportedReleaseAndWordSize) {
    SKIP_WITHOUT_PACKAGE();
    const SystemCase& c = GetParam();
    if (c.only32Bit && std::string(TheSystem().name) != "x86") {
        GTEST_SKIP() << "Wine reports this release in 32-bit prefixes only";
    }
    const RegistryValueGuard version = ReportRelease(c.release);
    ASSERT_TRUE(version.Applied()) << version.Error();
    const ReadyRun run;
    ASSERT_TRUE(run.Ready()) << run.Problem();
    // Two blanks before the word size: the release name ends with one.
    EXPECT_EQ(std::optional<std::string>(std::string(kSystemStatusPrefix) + c.release.shownName +
                                         " " + TheSystem().wordSize),
              ReadWindowText(run.Control(IDC_STATUS)));
}

INSTANTIATE_TEST_SUITE_P(StartupKnowledge, SystemLineTest, ::testing::ValuesIn(kSystems),
                         [](const auto& test) { return std::string(test.param.name); });

// --- The kind of port chosen for the user from the prefix's ports: a fresh
// prefix has COM and LPT ports and FILE: but no USB port, so Serial; with a
// USB port added, USB.

constexpr char kPortsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";

struct PortCase {
    const char* name;
    const char* addedPort;  // nullptr: the prefix's ports as they are
    int row;                // the only row that is to be selected
};

void PrintTo(const PortCase& c, std::ostream* os) { *os << c.name; }

const PortCase kPortCases[] = {
    {"PrefixPorts", nullptr, 0},
    {"UsbPortAdded", "USB001", 1},
};

// The port names the spooler lists, as the installer will see them.
std::vector<std::string> SpoolerPortNames() {
    DWORD needed = 0;
    DWORD count = 0;
    EnumPortsA(nullptr, 1, nullptr, 0, &needed, &count);
    if (needed == 0) return {};
    std::vector<BYTE> buffer(needed);
    if (!EnumPortsA(nullptr, 1, buffer.data(), needed, &needed, &count)) return {};
    std::vector<std::string> names;
    const auto* ports = reinterpret_cast<const PORT_INFO_1A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) names.emplace_back(ports[i].pName ? ports[i].pName : "");
    return names;
}

bool AnyStartsWith(const std::vector<std::string>& names, const std::string& prefix) {
    for (const auto& name : names) {
        if (name.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

class PortPreselectionTest : public OwnRunTest, public ::testing::WithParamInterface<PortCase> {};

TEST_P(PortPreselectionTest, SelectsTheRowThePortsCallFor) {
    SKIP_WITHOUT_PACKAGE();
    const PortCase& c = GetParam();
    std::unique_ptr<RegistryValueGuard> added;
    if (c.addedPort != nullptr) {
        added = std::make_unique<RegistryValueGuard>(HKEY_LOCAL_MACHINE, kPortsKey, c.addedPort,
                                                     std::optional<std::string>(""));
        ASSERT_TRUE(added->Applied()) << added->Error();
    }
    const std::vector<std::string> ports = SpoolerPortNames();
    if (c.addedPort != nullptr) {
        ASSERT_TRUE(AnyStartsWith(ports, c.addedPort))
            << "the spooler does not list the added port; it lists " << Quoted(ports);
    } else if (AnyStartsWith(ports, "USB") || !AnyStartsWith(ports, "COM")) {
        GTEST_SKIP() << "this prefix is not a fresh one (COM ports, no USB port): "
                     << Quoted(ports);
    }
    const ReadyRun run;
    ASSERT_TRUE(run.Ready()) << run.Problem();
    EXPECT_EQ(std::vector<int>{c.row}, SelectedPortRows(run)) << "ports: " << Quoted(ports);
}

INSTANTIATE_TEST_SUITE_P(StartupKnowledge, PortPreselectionTest, ::testing::ValuesIn(kPortCases),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace e2e
