// What a person sees of the installer dialog after starting installer.exe:
// its caption, its controls, the start-up ending with a usable Install
// button, and the port-type list.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "dialog_probe.h"
#include "e2e_options.h"
#include "ready_run.h"
#include "remote_list_view.h"
#include "resource.h"
#include "shared_run.h"
#include "window_capture.h"
#include "working_files.h"

namespace e2e {
namespace {

// A test that needs the dialog on the screen.
#define REQUIRE_DIALOG()                                                              \
    do {                                                                              \
        SharedRun& run = Shared();                                                    \
        ASSERT_TRUE(run.session->Started()) << run.session->StartError();             \
        ASSERT_TRUE(run.dialogShown) << "no visible window \"" << kDialogCaption      \
                                     << "\" within " << kWindowTimeoutMs << " ms";    \
    } while (0)

TEST(StartupTest, DialogAppearsWithItsCaption) {
    REQUIRE_DIALOG();
    HWND dialog = Shared().session->Dialog();
    char caption[256] = {};
    GetWindowTextA(dialog, caption, sizeof(caption));
    EXPECT_STREQ(kDialogCaption, caption);
    // A top-level window with a caption bar and a system menu (the close box).
    const LONG style = GetWindowLongA(dialog, GWL_STYLE);
    EXPECT_EQ(WS_CAPTION, style & WS_CAPTION);
    EXPECT_EQ(WS_SYSMENU, style & WS_SYSMENU);
    EXPECT_EQ(nullptr, GetParent(dialog));
}

TEST(StartupTest, InstallButtonBecomesUsableWhenStartupEnds) {
    REQUIRE_DIALOG();
    const StartupObservation& seen = Shared().startup;
    EXPECT_EQ("", seen.problem);
    ASSERT_TRUE(seen.ready) << "Install still disabled " << kReadyTimeoutMs
                            << " ms after the dialog appeared; status texts seen: "
                            << Quoted(seen.statusTexts);
    EXPECT_FALSE(seen.statusUnanswered) << "the dialog did not answer within "
                                        << kSendTimeoutMs << " ms during start-up";
    std::cout << "[   INFO   ] dialog visible after " << seen.visibleAfterMs
              << " ms, Install enabled after " << seen.readyAfterMs << " ms; status texts: "
              << Quoted(seen.statusTexts) << "\n";
}

TEST(StartupTest, StatusLineNeverShowsTheTemplateText) {
    REQUIRE_DIALOG();
    const StartupObservation& seen = Shared().startup;
    ASSERT_FALSE(seen.statusTexts.empty()) << "the status line was never read";
    EXPECT_EQ(seen.statusTexts.end(),
              std::find(seen.statusTexts.begin(), seen.statusTexts.end(), kTemplateStatus))
        << "status texts seen: " << Quoted(seen.statusTexts);
}

TEST(StartupTest, StatusLineIsNotEmptyOnceReady) {
    REQUIRE_DIALOG();
    const StartupObservation& seen = Shared().startup;
    ASSERT_TRUE(seen.ready);
    ASSERT_FALSE(seen.statusTexts.empty());
    EXPECT_NE("", seen.statusTexts.back());
}

TEST(StartupTest, UnpacksTheDriverPackageToDriveC) {
    REQUIRE_DIALOG();
    if (!PackageAvailable(TheOptions())) {
        GTEST_SKIP() << "no DriverData.Drv in " << EffectiveWorkingDir(TheOptions());
    }
    ASSERT_TRUE(Shared().startup.ready);
    EXPECT_EQ(WorkingItems(), PresentWorkingItems());
}

TEST(StartupTest, ReadyDialogCanBeCaptured) {
    REQUIRE_DIALOG();
    ASSERT_TRUE(Shared().startup.ready);
    const std::string path = TheOptions().screenshot;
    if (path.empty()) GTEST_SKIP() << "no --screenshot= given";
    const CaptureResult shot = CaptureWindow(Shared().session->Dialog(), path);
    ASSERT_TRUE(shot.saved) << shot.error;
    // A drawn dialog has text, frames and a background; a blank one a single colour.
    EXPECT_GT(shot.distinctColours, 2u) << "the captured dialog is blank";
    std::cout << "[   INFO   ] " << shot.width << "x" << shot.height << " picture in " << path
              << "\n";
}

// The twelve controls of the dialog, as the template lays them out.
struct ControlCase {
    const char* name;
    int id;
    const char* className;
    const char* text;  // nullptr: not fixed by the template (filled at run time)
    LONG styleMask;    // style bits that must be exactly styleBits
    LONG styleBits;
};

void PrintTo(const ControlCase& c, std::ostream* os) { *os << c.name << " (" << c.id << ")"; }

const ControlCase kControls[] = {
    {"DriverLabel", IDC_DRIVER_LABEL, "Static", "Driver Name:", 0, 0},
    {"DriverCombo", IDC_DRIVER_COMBO, "ComboBox", nullptr, CBS_DROPDOWNLIST | CBS_SORT,
     CBS_DROPDOWNLIST},
    {"PrinterLabel", IDC_PRINTER_LABEL, "Static", "Printer Name:", 0, 0},
    {"PrinterName", IDC_PRINTER_NAME, "Edit", nullptr, ES_AUTOHSCROLL, ES_AUTOHSCROLL},
    {"SetDefault", IDC_SET_DEFAULT, "Button", "Set Default Printer", BS_TYPEMASK, BS_AUTOCHECKBOX},
    {"PortGroup", IDC_PORT_GROUP, "Button", "Specify Port", BS_TYPEMASK, BS_GROUPBOX},
    {"PortHint", IDC_PORT_HINT, "Static",
     "Specify the port that you are using.\r\nThe program will help you to configure the "
     "printer port during installation.",
     0, 0},
    {"PortList", IDC_PORT_LIST, "SysListView32", nullptr,
     LVS_TYPEMASK | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
     LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS},
    {"Progress", IDC_PROGRESS, "msctls_progress32", nullptr, 0, 0},
    {"Install", IDC_INSTALL, "Button", "&Install", 0, 0},
    {"Cancel", IDCANCEL, "Button", "&Cancel", 0, 0},
    {"Status", IDC_STATUS, "Static", nullptr, 0, 0},
};

class ControlTest : public ::testing::TestWithParam<ControlCase> {};

TEST_P(ControlTest, ShowsItsClassTextAndStyle) {
    REQUIRE_DIALOG();
    const ControlCase& expected = GetParam();
    HWND dialog = Shared().session->Dialog();
    const auto control = ReadControl(dialog, expected.id);
    ASSERT_TRUE(control.has_value()) << "no control with id " << expected.id;
    EXPECT_EQ(0, lstrcmpiA(expected.className, control->className.c_str()))
        << "class " << control->className;
    if (expected.text != nullptr) {
        EXPECT_EQ(expected.text, control->text);
    }
    EXPECT_EQ(expected.styleBits, control->style & expected.styleMask)
        << std::hex << "style 0x" << control->style;
    EXPECT_TRUE(control->visible);
    // Laid out inside the dialog's client area, where a person can see it.
    RECT client{};
    GetClientRect(dialog, &client);
    MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
    EXPECT_GE(control->screenRect.left, client.left);
    EXPECT_GE(control->screenRect.top, client.top);
    EXPECT_LE(control->screenRect.right, client.right);
    EXPECT_LE(control->screenRect.bottom, client.bottom);
}

INSTANTIATE_TEST_SUITE_P(Template, ControlTest, ::testing::ValuesIn(kControls),
                         [](const auto& test) { return std::string(test.param.name); });

BOOL CALLBACK CollectDirectChild(HWND child, LPARAM param) {
    auto* found = reinterpret_cast<std::pair<HWND, std::vector<int>>*>(param);
    if (GetParent(child) == found->first) found->second.push_back(GetDlgCtrlID(child));
    return TRUE;
}

TEST(ControlSetTest, DialogHasExactlyTheTwelveControls) {
    REQUIRE_DIALOG();
    std::pair<HWND, std::vector<int>> found{Shared().session->Dialog(), {}};
    EnumChildWindows(found.first, CollectDirectChild, reinterpret_cast<LPARAM>(&found));
    std::vector<int> expected;
    for (const auto& c : kControls) expected.push_back(c.id);
    std::sort(expected.begin(), expected.end());
    std::sort(found.second.begin(), found.second.end());
    EXPECT_EQ(expected, found.second);
}

TEST(ControlSetTest, SetDefaultPrinterIsTicked) {
    REQUIRE_DIALOG();
    EXPECT_EQ(std::optional<UINT>(BST_CHECKED), ReadCheckState(Shared().session->Dialog(), IDC_SET_DEFAULT));
}

TEST(ControlSetTest, CancelIsUsableDuringAndAfterStartup) {
    REQUIRE_DIALOG();
    EXPECT_TRUE(ControlEnabled(Shared().session->Dialog(), IDCANCEL));
}

// The port-type list: two columns and one row per kind of port.
RemoteListView PortList() {
    HWND dialog = Shared().session->Dialog();
    return RemoteListView(GetDlgItem(dialog, IDC_PORT_LIST), Shared().session->Id());
}

TEST(PortListTest, HasPortAndDescriptionColumns) {
    REQUIRE_DIALOG();
    const RemoteListView list = PortList();
    ASSERT_TRUE(list.Opened()) << "OpenProcess failed, last error " << GetLastError();
    EXPECT_EQ(std::optional<int>(2), list.ColumnCount());
    EXPECT_EQ(std::optional<std::string>("Port"), list.ColumnText(0));
    EXPECT_EQ(std::optional<std::string>("Description"), list.ColumnText(1));
    EXPECT_EQ(std::optional<int>(110), list.ColumnWidth(0));
    EXPECT_EQ(std::optional<int>(525), list.ColumnWidth(1));
}

TEST(PortListTest, SelectsWholeRowsWithGridLines) {
    REQUIRE_DIALOG();
    const auto style = PortList().ExtendedStyle();
    ASSERT_TRUE(style.has_value());
    EXPECT_EQ(static_cast<DWORD>(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES),
              *style & (LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_TRACKSELECT));
}

TEST(PortListTest, ExactlyOneKindOfPortIsChosen) {
    REQUIRE_DIALOG();
    const RemoteListView list = PortList();
    const auto count = list.ItemCount();
    ASSERT_EQ(std::optional<int>(4), count);
    int selected = 0;
    for (int row = 0; row < *count; ++row) {
        const auto state = list.ItemState(row, LVIS_SELECTED);
        ASSERT_TRUE(state.has_value());
        if (*state & LVIS_SELECTED) ++selected;
    }
    EXPECT_EQ(1, selected);
}

struct PortRow {
    const char* port;
    const char* description;
};

class PortRowTest : public ::testing::TestWithParam<int> {};

const PortRow kPortRows[] = {
    {"Serial port", "The program will select a available serial port during installation"},
    {"USB port", "The program will select a available USB port automatically"},
    {"Parallel port", "The program will prompt you to select a parallel port during installation"},
    {"TCP/IP port", "The program will prompt you to create a TCP/IP port or configure"},
};

TEST_P(PortRowTest, ShowsItsKindAndDescription) {
    REQUIRE_DIALOG();
    const int row = GetParam();
    const RemoteListView list = PortList();
    ASSERT_TRUE(list.Opened());
    EXPECT_EQ(std::optional<std::string>(kPortRows[row].port), list.ItemText(row, 0));
    EXPECT_EQ(std::optional<std::string>(kPortRows[row].description), list.ItemText(row, 1));
}

INSTANTIATE_TEST_SUITE_P(Rows, PortRowTest, ::testing::Range(0, 4),
                         [](const auto& test) { return "Row" + std::to_string(test.param); });

}  // namespace
}  // namespace e2e
