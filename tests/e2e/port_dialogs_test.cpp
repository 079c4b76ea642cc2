// The two port dialogs on a real window system and spooler (a Wine prefix):
// the prefix's parallel ports, and TCP/IP ports of the test monitor listed,
// added, configured and deleted through the dialog's buttons. The dialog
// runs modally on the test's thread; a "person" thread finds it by caption
// and uses it.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/box_texts.h"
#include "dialog_probe.h"
#include "dialogs/parallel_port_dlg.h"
#include "dialogs/tcpip_port_dlg.h"
#include "platform/win32/win32_platform.h"
#include "remote_list_view.h"
#include "tcpip_monitor_setup.h"
#include "wait.h"
#include "window_capture.h"

namespace {

using Rows = std::vector<std::string>;
constexpr DWORD kWaitMs = 20000;
constexpr char kParallelCaption[] = "Select A Parallel Port";
constexpr char kTcpipCaption[] = "Configure TCP/IP PrinterPort";

// Waits until `done()` holds; "" when it did. A box of this process other
// than the dialogs (and `expected`) ends the wait at once and is named.
template <class Condition>
std::string Watch(Condition done, const std::string& expected = "") {
    std::vector<std::string> shown{kParallelCaption, kTcpipCaption};
    if (!expected.empty()) shown.push_back(expected);
    return e2e::WaitWatching(nullptr, GetCurrentProcessId(), shown, done, kWaitMs);
}

// The window captioned `caption` once it shows (its controls are made
// after the caption), or null.
HWND WaitOwnWindow(const std::string& caption) {
    HWND window = nullptr;
    const std::string problem = Watch(
        [&] {
            window = e2e::FindProcessWindow(GetCurrentProcessId(), caption);
            return window != nullptr && IsWindowVisible(window) != FALSE;
        },
        caption);
    EXPECT_EQ("", problem) << "waiting for \"" << caption << "\"";
    return problem.empty() ? window : nullptr;
}

Rows ListRows(HWND dialog) {
    e2e::RemoteListView list(GetDlgItem(dialog, IDC_PORT_LIST), GetCurrentProcessId());
    Rows rows;
    for (int row = 0; row < list.ItemCount().value_or(0); ++row) {
        rows.push_back(list.ItemText(row, 0).value_or("?"));
    }
    return rows;
}

int SelectedRow(HWND dialog) {
    return static_cast<int>(e2e::SendBounded(GetDlgItem(dialog, IDC_PORT_LIST), LVM_GETNEXTITEM,
                                             static_cast<WPARAM>(-1), LVNI_SELECTED)
                                .value_or(-2));
}

void SelectRow(HWND dialog, int row) {
    e2e::RemoteListView(GetDlgItem(dialog, IDC_PORT_LIST), GetCurrentProcessId()).SelectItem(row);
}

// Posted, as a click arrives: the handler may open a box before it returns.
void Click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

BOOL CALLBACK PostClose(HWND window, LPARAM) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// The text of the message box captioned `caption`, which is then answered
// with OK; "" when no such box showed.
std::string AnswerBox(const std::string& caption) {
    HWND box = WaitOwnWindow(caption);
    if (box == nullptr) return "";
    const std::string text = e2e::BoxText(box);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    e2e::WaitUntil([&] { return !IsWindow(box); }, kWaitMs);
    return text;
}

void Picture(HWND dialog, const char* name) {
    const char* folder = std::getenv("PORT_DIALOG_SHOTS");
    if (folder == nullptr || *folder == '\0') return;
    // Every control painted before the screen is read.
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    Sleep(500);
    const e2e::CaptureResult shot = e2e::CaptureWindow(dialog, std::string(folder) + "\\" + name);
    EXPECT_TRUE(shot.saved) << shot.error;
}

// Runs `dialog` modally while `act` uses its window on another thread.
// Whatever `act` does, the dialog is closed afterwards, so the run ends.
std::intptr_t RunWhile(CDialog& dialog, const char* caption, const std::function<void(HWND)>& act) {
    std::atomic<bool> ended{false};
    const DWORD testThread = GetCurrentThreadId();
    std::thread person([&] {
        if (HWND window = WaitOwnWindow(caption)) act(window);
        if (e2e::WaitUntil([&] { return ended.load(); }, kWaitMs)) return;
        ADD_FAILURE() << "the dialog did not end: closing it";
        EnumThreadWindows(testThread, PostClose, 0);
    });
    const std::intptr_t result = dialog.DoModal();
    ended = true;
    person.join();
    return result;
}

class PortDialogs : public testing::Test {
protected:
    plat::win32::Win32Platform m_windows;
};

TEST_F(PortDialogs, ParallelListsThePrefixsLptPortsAndHandsBackTheRow) {
    CParallelPortDlg dialog(m_windows.platform());
    Rows rows;
    int firstSelected = -1;
    const std::intptr_t result = RunWhile(dialog, kParallelCaption, [&](HWND d) {
        rows = ListRows(d);
        firstSelected = SelectedRow(d);
        Picture(d, "parallel.bmp");
        SelectRow(d, 1);
        Click(d, IDC_CHOOSE_PORT);
    });
    EXPECT_EQ(rows, (Rows{"LPT1:", "LPT2:", "LPT3:"}));
    EXPECT_EQ(firstSelected, 0);
    EXPECT_EQ(result, 0x1201);
}

class TcpipPortDialog : public PortDialogs {
protected:
    void SetUp() override {
        ASSERT_EQ(e2e::InstallTcpipTestMonitor(), "");
        ASSERT_EQ(e2e::SetTcpipTestPorts({"IP_192.0.2.10", "IP_192.0.2.11"}), "");
        for (const char* setting : {"TestAddError", "TestConfigureError", "TestDeleteError"}) {
            ASSERT_TRUE(e2e::SetTcpipTestMonitorValue(setting, 0));
        }
    }
};

TEST_F(TcpipPortDialog, ListsTheMonitorsPortsAndAddsANewLastRow) {
    ASSERT_TRUE(e2e::SetTcpipTestMonitorText("TestNextPort", "IP_192.0.2.12"));
    CTcpipPortDlg dialog(m_windows.platform());
    Rows before, after;
    int selected = -1;
    const std::intptr_t result = RunWhile(dialog, kTcpipCaption, [&](HWND d) {
        before = ListRows(d);
        Picture(d, "tcpip.bmp");
        Click(d, IDC_ADD_PORT);
        EXPECT_EQ("", Watch([&] { return ListRows(d).size() == 3; }));
        after = ListRows(d);
        selected = SelectedRow(d);
        Click(d, IDC_CHOOSE_PORT);
    });
    EXPECT_EQ(before, (Rows{"IP_192.0.2.10", "IP_192.0.2.11"}));
    EXPECT_EQ(after, (Rows{"IP_192.0.2.10", "IP_192.0.2.11", "IP_192.0.2.12"}));
    EXPECT_EQ(selected, 2);
    EXPECT_EQ(result, 0x1202);
}

struct RefusalCase {
    const char* setting;
    DWORD error;
    int button;
    const char* caption;
    const char* text;
};

class TcpipRefusal : public TcpipPortDialog, public testing::WithParamInterface<RefusalCase> {};

TEST_P(TcpipRefusal, TheMonitorsErrorIsShownAndTheListKept) {
    const RefusalCase& c = GetParam();
    ASSERT_TRUE(e2e::SetTcpipTestMonitorValue(c.setting, c.error));
    CTcpipPortDlg dialog(m_windows.platform());
    std::string text;
    Rows rows;
    RunWhile(dialog, kTcpipCaption, [&](HWND d) {
        SelectRow(d, 1);
        Click(d, c.button);
        text = AnswerBox(c.caption);
        rows = ListRows(d);
        Click(d, IDC_DISMISS_PORT);
    });
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(rows, (Rows{"IP_192.0.2.10", "IP_192.0.2.11"}));
    if (c.button == IDC_CONFIGURE_PORT) {
        EXPECT_EQ(e2e::TcpipTestMonitorText("TestLastConfigured"), "IP_192.0.2.11");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Errors, TcpipRefusal,
    testing::Values(
        RefusalCase{"TestConfigureError", 50, IDC_CONFIGURE_PORT, kConfigureUnsupportedCaption,
                    kConfigureUnsupportedText},
        RefusalCase{"TestConfigureError", 57, IDC_CONFIGURE_PORT, kConfigureHardwareErrorCaption,
                    kConfigureHardwareErrorText},
        RefusalCase{"TestDeleteError", 50, IDC_DELETE_PORT, kDeleteUnsupportedCaption,
                    kDeleteUnsupportedText}));

TEST_F(TcpipPortDialog, DeleteRemovesTheRowAndAnEmptyListPromptsForAdd) {
    CTcpipPortDlg dialog(m_windows.platform());
    Rows afterOne;
    std::string prompt;
    const std::intptr_t result = RunWhile(dialog, kTcpipCaption, [&](HWND d) {
        SelectRow(d, 1);
        Click(d, IDC_DELETE_PORT);
        EXPECT_EQ("", Watch([&] { return ListRows(d).size() == 1; }));
        afterOne = ListRows(d);
        Click(d, IDC_DELETE_PORT);
        EXPECT_EQ("", Watch([&] { return ListRows(d).empty(); }));
        Click(d, IDC_CHOOSE_PORT);
        prompt = AnswerBox(kPromptCaption);
        Click(d, IDC_DISMISS_PORT);
    });
    EXPECT_EQ(afterOne, Rows{"IP_192.0.2.10"});
    EXPECT_EQ(prompt, kNoTcpipPortText);
    EXPECT_EQ(result, 0xCCCC);
}

}  // namespace

int main(int argc, char** argv) {
    // Unbuffered, so that a run ended by its time limit still shows how far
    // it got.
    setvbuf(stdout, nullptr, _IONBF, 0);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
