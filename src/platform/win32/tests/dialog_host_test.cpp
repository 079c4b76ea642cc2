// The dialog host on a real window manager: how events reach the handler,
// calls from other threads while the dialog thread waits, child dialogs.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/win32/tests/scripted_handler.h"
#include "platform/win32/win32_ui.h"
#include "platform/win32/win32_windows.h"
#include "resource.h"

namespace plat::win32::test {
namespace {

HWND Hwnd(IDialogWindow& w) { return static_cast<HWND>(w.GetSafeHwnd()); }

TEST(Win32DialogHost, RoutesEventsAndLeavesEndingToTheHandler) {
    Win32UserInterface ui;
    ScriptedHandler h;
    h.onInit = [](IDialogWindow& w) { w.SetTimer(5, 10); };
    h.onTimer = [](IDialogWindow& w, std::uintptr_t id) {
        w.KillTimer(id);
        ::PostMessageA(Hwnd(w), WM_CLOSE, 0, 0);
    };
    // The close command does not end the dialog by itself: only the
    // handler's EndDialog does, here after a click on Cancel.
    h.onClose = [](IDialogWindow& w) {
        ::PostMessageA(::GetDlgItem(Hwnd(w), IDCANCEL), BM_CLICK, 0, 0);
    };
    h.onCommand = [](IDialogWindow& w, int id, int) {
        if (id == IDCANCEL) w.EndDialog(42);
    };
    bool windowUsableInDestroy = false;
    h.onDestroy = [&](IDialogWindow& w) {
        windowUsableInDestroy = w.GetSafeHwnd() != nullptr && w.KillTimer(kGuardTimer);
    };

    EXPECT_EQ(ui.DialogBoxParamA(IDD_INSTALLER_DIALOG, h), 42);
    // The combo box's focus notifications come and go with the window
    // manager; they are not what this test is about.
    std::erase_if(h.events, [](const std::string& e) { return e.starts_with("command 1000/"); });
    const std::vector<std::string> expected = {"attach", "init",    "timer 5", "close",
                                               "command 2/0", "destroy", "detach"};
    EXPECT_EQ(h.events, expected);
    EXPECT_TRUE(windowUsableInDestroy);
    EXPECT_EQ(h.window, nullptr);
}

TEST(Win32DialogHost, HandledMessagesReturnTheHandlersResult) {
    Win32UserInterface ui;
    const std::uint32_t registered = ui.RegisterWindowMessageA("Win32DialogHostTest");
    ASSERT_GE(registered, 0xC000u);
    EXPECT_EQ(ui.RegisterWindowMessageA("Win32DialogHostTest"), registered);

    ScriptedHandler h;
    h.onMessage = [&](std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam,
                      std::intptr_t* result) {
        if (msg == registered) {
            *result = static_cast<std::intptr_t>(wParam) + lParam;
            return true;
        }
        if (msg == kWmUser + 7) {
            *result = 5;
            return true;
        }
        return false;
    };
    std::intptr_t sum = 0, user = 0, unhandled = -1;
    h.onInit = [&](IDialogWindow& w) {
        sum = w.SendMessageA(registered, 4, 7);
        user = w.SendMessageA(kWmUser + 7, 0, 0);
        unhandled = w.SendMessageA(kWmUser + 9, 0, 0);
        w.EndDialog(1);
    };
    EXPECT_EQ(ui.DialogBoxParamA(IDD_INSTALLER_DIALOG, h), 1);
    EXPECT_EQ(sum, 11);
    EXPECT_EQ(user, 5);
    EXPECT_EQ(unhandled, 0);
}

// What another thread sees and does while the dialog thread waits for it:
// every call is a send the waiting dialog thread must carry out.
struct WorkerResults {
    int comboCount = 0;
    std::string comboText;
    int columns = 0;
    std::string cell;
    std::uint32_t rowState = 0;
    int progress = 0;
    bool timerSet = false;
    std::string status;
};

TEST(Win32DialogHost, OtherThreadsCallsAreCarriedOutWhileTheDialogWaits) {
    Win32UserInterface ui;
    ScriptedHandler h;
    WorkerResults r;
    bool waited = false;
    h.onInit = [&](IDialogWindow& w) {
        std::atomic<bool> done{false};
        std::thread worker([&] {
            w.SetDlgItemTextA(IDC_STATUS, "from the worker");
            r.status = w.GetDlgItemTextA(IDC_STATUS);
            w.ComboAddString(IDC_DRIVER_COMBO, "first");
            w.ComboAddString(IDC_DRIVER_COMBO, "second driver");
            w.ComboSetCurSel(IDC_DRIVER_COMBO, 1);
            r.comboCount = w.ComboGetCount(IDC_DRIVER_COMBO);
            r.comboText = w.ComboGetLBText(IDC_DRIVER_COMBO, 1);
            w.ListInsertColumn(IDC_PORT_LIST, 0, "Port", kLvcfmtLeft);
            w.ListInsertColumn(IDC_PORT_LIST, 1, "Description", kLvcfmtLeft);
            r.columns = w.ListGetColumnCount(IDC_PORT_LIST);
            w.ListInsertItem(IDC_PORT_LIST, 0, "USB port");
            w.ListSetItemText(IDC_PORT_LIST, 0, 1, std::string(300, 'd'));
            r.cell = w.ListGetItemText(IDC_PORT_LIST, 0, 1);
            w.ListSetItemState(IDC_PORT_LIST, 0, kLvisSelected, kLvisSelected | kLvisFocused);
            r.rowState = w.ListGetItemState(IDC_PORT_LIST, 0, kLvisSelected | kLvisFocused);
            w.ProgressSetPos(IDC_PROGRESS, 40);
            r.progress = w.ProgressGetPos(IDC_PROGRESS);
            w.EnableDlgItem(IDC_INSTALL, true);
            // Timers belong to the window's thread; this one must still
            // fire there.
            r.timerSet = w.SetTimer(9, 10);
            done = true;
        });
        waited = w.WaitServingSends([&] { return done.load(); }, 4000);
        worker.join();
    };
    bool installEnabled = false;
    int selected = -1;
    h.onTimer = [&](IDialogWindow& w, std::uintptr_t id) {
        w.KillTimer(id);
        installEnabled = w.IsDlgItemEnabled(IDC_INSTALL);
        selected = w.ComboGetCurSel(IDC_DRIVER_COMBO);
        w.EndDialog(7);
    };

    EXPECT_EQ(ui.DialogBoxParamA(IDD_INSTALLER_DIALOG, h), 7);
    EXPECT_TRUE(waited);
    EXPECT_EQ(r.status, "from the worker");
    EXPECT_EQ(r.comboCount, 2);
    EXPECT_EQ(r.comboText, "second driver");
    EXPECT_EQ(r.columns, 2);
    EXPECT_EQ(r.cell, std::string(300, 'd'));
    EXPECT_EQ(r.rowState, kLvisSelected);
    EXPECT_EQ(r.progress, 40);
    EXPECT_TRUE(r.timerSet);
    EXPECT_TRUE(installEnabled);
    EXPECT_EQ(selected, 1);
}

TEST(Win32DialogHost, AThreadCanStillReachTheDialogFromItsDestroyHandler) {
    // The shape of a dialog that waits for its worker while it closes.
    Win32UserInterface ui;
    ScriptedHandler h;
    h.onInit = [](IDialogWindow& w) { w.EndDialog(3); };
    bool waited = false;
    std::string seen;
    h.onDestroy = [&](IDialogWindow& w) {
        std::atomic<bool> done{false};
        std::thread worker([&] {
            w.SetDlgItemTextA(IDC_STATUS, "late");
            seen = w.GetDlgItemTextA(IDC_STATUS);
            w.KillTimer(kGuardTimer);
            done = true;
        });
        waited = w.WaitServingSends([&] { return done.load(); }, 4000);
        worker.join();
    };
    EXPECT_EQ(ui.DialogBoxParamA(IDD_INSTALLER_DIALOG, h), 3);
    EXPECT_TRUE(waited);
    EXPECT_EQ(seen, "late");
}

TEST(Win32DialogHost, WaitServingSendsGivesUpAfterItsTimeout) {
    Win32UserInterface ui;
    ScriptedHandler h;
    bool result = true;
    DWORD elapsed = 0;
    h.onInit = [&](IDialogWindow& w) {
        const DWORD start = ::GetTickCount();
        result = w.WaitServingSends([] { return false; }, 150);
        elapsed = ::GetTickCount() - start;
        w.EndDialog(0);
    };
    ui.DialogBoxParamA(IDD_INSTALLER_DIALOG, h);
    EXPECT_FALSE(result);
    EXPECT_GE(elapsed, 140u);
    EXPECT_LT(elapsed, 2000u);
}

TEST(Win32DialogHost, ChildDialogsAreOwnedAndReturnTheirResult) {
    Win32UserInterface ui;
    ScriptedHandler parent;
    ScriptedHandler child;
    HWND owner = nullptr;
    std::intptr_t childResult = 0, missing = 0;
    child.onInit = [&](IDialogWindow& w) {
        owner = ::GetWindow(Hwnd(w), GW_OWNER);
        w.EndDialog(77);
    };
    HWND parentHwnd = nullptr;
    parent.onInit = [&](IDialogWindow& w) {
        parentHwnd = Hwnd(w);
        childResult = w.RunModalChild(IDD_INSTALLER_DIALOG, child);
        ScriptedHandler never;
        missing = w.RunModalChild(4321, never);
        w.EndDialog(1);
    };
    EXPECT_EQ(ui.DialogBoxParamA(IDD_INSTALLER_DIALOG, parent), 1);
    EXPECT_EQ(childResult, 77);
    EXPECT_EQ(owner, parentHwnd);
    EXPECT_EQ(missing, -1);
    EXPECT_EQ(ui.DialogBoxParamA(4321, parent), -1);
}

TEST(Win32DialogHost, AWindowObjectOutlivesItsDialogAndThenDoesNothing) {
    Win32UserInterface ui;
    ScriptedHandler h;
    IDialogWindow* kept = nullptr;
    h.onInit = [&](IDialogWindow& w) {
        kept = &w;
        w.EndDialog(0);
    };
    ui.DialogBoxParamA(IDD_INSTALLER_DIALOG, h);
    ASSERT_NE(kept, nullptr);
    // Called from another thread, as a worker that was not told in time
    // would: every call returns at once with an empty answer.
    std::thread late([&] {
        EXPECT_EQ(kept->GetSafeHwnd(), nullptr);
        EXPECT_EQ(kept->SendMessageA(kWmUser, 0, 0), 0);
        kept->SetDlgItemTextA(IDC_STATUS, "x");
        EXPECT_EQ(kept->GetDlgItemTextA(IDC_STATUS), "");
        EXPECT_EQ(kept->ComboGetLBText(IDC_DRIVER_COMBO, 0), "");
        EXPECT_EQ(kept->ListGetItemCount(IDC_PORT_LIST), 0);
        EXPECT_FALSE(kept->SetTimer(1, 10));
        EXPECT_FALSE(kept->IsDlgItemEnabled(IDC_INSTALL));
        EXPECT_EQ(kept->MessageBoxA("never shown", "x", kMbOk), 0);
        kept->EndDialog(5);
    });
    late.join();
    EXPECT_EQ(kept->GetDlgItemTextA(IDC_STATUS), "");
}

}  // namespace
}  // namespace plat::win32::test
