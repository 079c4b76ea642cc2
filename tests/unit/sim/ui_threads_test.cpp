// Synchronous sends across threads: where they run, what they return, and
// that no ending of a dialog leaves a sender hanging.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "ui_test_support.h"

namespace sim {
namespace {

using namespace std::chrono_literals;
using testing::DialogRunner;
using testing::ScriptedHandler;

constexpr std::uint32_t kMsgProbe = plat::kWmUser + 50;

TEST(UiThreads, WorkerSendRunsOnTheDialogThreadAndReturnsTheHandlersResult) {
    SimUserInterface ui;
    ScriptedHandler h;
    std::atomic<std::thread::id> handledOn{};
    h.onMessage = [&](std::uint32_t msg, std::uintptr_t wp, std::intptr_t lp) -> std::intptr_t {
        handledOn = std::this_thread::get_id();
        return msg == kMsgProbe ? static_cast<std::intptr_t>(wp) + lp : -1;
    };
    DialogRunner run(ui, h);
    SimDialog* dlg = ui.WaitForDialog(IDD_INSTALLER_DIALOG);
    ASSERT_NE(dlg, nullptr);

    std::intptr_t answer = 0;
    std::string text;
    std::thread worker([&] {
        answer = h.window.load()->SendMessageA(kMsgProbe, 40, 2);
        h.window.load()->SetDlgItemTextA(IDC_STATUS, "from the worker");
        text = h.window.load()->GetDlgItemTextA(IDC_STATUS);
    });
    worker.join();

    EXPECT_EQ(answer, 42);
    EXPECT_EQ(handledOn.load(), dlg->ThreadId());
    EXPECT_NE(handledOn.load(), worker.get_id());
    EXPECT_EQ(text, "from the worker");
    EXPECT_EQ(dlg->Text(IDC_STATUS), "from the worker");
}

TEST(UiThreads, SendWaitsWhileTheDialogThreadIsBusy) {
    SimUserInterface ui;
    ScriptedHandler h;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    h.onCommand = [&](int id, int) {
        if (id == IDC_INSTALL) released.wait();  // a long install on the dialog thread
    };
    h.onInit = [&] { h.window.load()->EnableDlgItem(IDC_INSTALL, true); };
    DialogRunner run(ui, h);
    SimDialog* dlg = ui.WaitForDialog(IDD_INSTALLER_DIALOG);
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(dlg->WaitIdle());
    dlg->Click(IDC_INSTALL);

    auto sent = std::async(std::launch::async,
                           [&] { h.window.load()->ProgressSetPos(IDC_PROGRESS, 30); });
    EXPECT_EQ(sent.wait_for(50ms), std::future_status::timeout);
    EXPECT_EQ(dlg->ProgressPos(IDC_PROGRESS), 0);
    release.set_value();
    EXPECT_EQ(sent.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(dlg->ProgressPos(IDC_PROGRESS), 30);
}

TEST(UiThreads, CallsOnAnEndedDialogReturnEmptyAtOnce) {
    SimUserInterface ui;
    ScriptedHandler h;
    DialogRunner run(ui, h);
    SimDialog* dlg = ui.WaitForDialog(IDD_INSTALLER_DIALOG);
    ASSERT_NE(dlg, nullptr);
    dlg->Close();
    ASSERT_TRUE(dlg->WaitForEnd());
    EXPECT_EQ(dlg->Result(), plat::kIdCancel);

    plat::IDialogWindow* w = h.window;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(w->GetSafeHwnd(), nullptr);
    EXPECT_EQ(w->SendMessageA(kMsgProbe, 0, 0), 0);
    EXPECT_EQ(w->GetDlgItemTextA(IDC_PORT_HINT), "");
    EXPECT_EQ(w->MessageBoxA("late", "box", plat::kMbOk), 0);
    EXPECT_EQ(w->RunModalChild(IDD_INSTALLER_DIALOG, h), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_FALSE(dlg->Click(plat::kIdCancel));
    EXPECT_EQ(dlg->SendUserMessage(kMsgProbe, 0, 0), std::nullopt);
}

TEST(UiThreads, WaitServingSendsLetsAWorkerFinishThatSendsToTheDialog) {
    // The dialog thread waits for a worker that is itself blocked sending to
    // the dialog: a plain wait would deadlock.
    SimUserInterface ui;
    ScriptedHandler h;
    std::atomic<bool> workerDone{false};
    std::atomic<int> refreshes{0};
    std::thread worker;
    bool waited = false;
    h.onMessage = [&](std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t {
        return ++refreshes;
    };
    h.onInit = [&] {
        worker = std::thread([&] {
            for (int i = 0; i < 20; ++i) h.window.load()->SendMessageA(kMsgProbe, 0, 0);
            workerDone = true;
        });
        waited = h.window.load()->WaitServingSends([&] { return workerDone.load(); }, 5000);
        worker.join();
    };
    DialogRunner run(ui, h);
    SimDialog* dlg = ui.WaitForDialog(IDD_INSTALLER_DIALOG);
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(dlg->WaitIdle());
    EXPECT_TRUE(waited);
    EXPECT_EQ(refreshes.load(), 20);
}

TEST(UiThreads, WaitServingSendsKeepsInputForLater) {
    SimUserInterface ui;
    ScriptedHandler h;
    std::atomic<bool> go{false};
    std::atomic<bool> clickedDuringWait{false};
    std::atomic<bool> inWait{false};
    h.onInit = [&] {
        inWait = true;
        h.window.load()->WaitServingSends([&] { return go.load(); }, 5000);
        inWait = false;
    };
    h.onCommand = [&](int id, int) {
        clickedDuringWait = inWait.load();
        h.window.load()->EndDialog(id);
    };
    DialogRunner run(ui, h);
    SimDialog* dlg = ui.WaitForDialog(IDD_INSTALLER_DIALOG);
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(dlg->WaitUntil([&] { return inWait.load(); }));
    dlg->Click(plat::kIdCancel);
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(dlg->HasEnded());
    go = true;
    ASSERT_TRUE(dlg->WaitForEnd());
    EXPECT_FALSE(clickedDuringWait.load());
}

TEST(UiThreads, WaitServingSendsTimesOut) {
    SimUserInterface ui;
    ScriptedHandler h;
    bool result = true;
    std::chrono::steady_clock::duration took{};
    h.onInit = [&] {
        auto start = std::chrono::steady_clock::now();
        result = h.window.load()->WaitServingSends([] { return false; }, 30);
        took = std::chrono::steady_clock::now() - start;
    };
    DialogRunner run(ui, h);
    SimDialog* dlg = ui.WaitForDialog(IDD_INSTALLER_DIALOG);
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(dlg->WaitIdle());
    EXPECT_FALSE(result);
    EXPECT_GE(took, 30ms);
    EXPECT_LT(took, 2s);
}

// The worst moment: the dialog ends while a worker is queued behind a busy
// dialog thread, or is about to send. No sender may hang, and none may run
// after the window is gone.
TEST(UiThreads, DialogEndingWhileSendersWaitNeverHangs) {
    for (int round = 0; round < 200; ++round) {
        SimUserInterface ui;
        ScriptedHandler h;
        std::atomic<bool> destroyed{false};
        std::atomic<bool> ranAfterDestroy{false};
        h.onMessage = [&](std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t {
            if (destroyed) ranAfterDestroy = true;
            return 1;
        };
        h.onDestroy = [&] { destroyed = true; };
        DialogRunner run(ui, h);
        SimDialog* dlg = ui.WaitForDialog(IDD_INSTALLER_DIALOG);
        ASSERT_NE(dlg, nullptr);
        std::vector<std::thread> workers;
        for (int w = 0; w < 3; ++w) {
            workers.emplace_back([&] {
                for (int i = 0; i < 30; ++i) {
                    h.window.load()->SendMessageA(kMsgProbe, 0, 0);
                    h.window.load()->SetDlgItemTextA(IDC_STATUS, "x");
                }
            });
        }
        if (round % 2 == 0) std::this_thread::sleep_for(std::chrono::microseconds(round * 5));
        dlg->Close();
        for (std::thread& t : workers) t.join();
        ASSERT_TRUE(dlg->WaitForEnd()) << "round " << round;
        EXPECT_FALSE(ranAfterDestroy.load()) << "round " << round;
    }
}

TEST(UiThreads, TwoDialogThreadsSendingToEachOtherDoNotDeadlock) {
    SimUserInterface ui;
    ScriptedHandler a;
    ScriptedHandler b;
    std::atomic<plat::IDialogWindow*> peerOfA{nullptr};
    std::atomic<plat::IDialogWindow*> peerOfB{nullptr};
    // Each handler answers by asking the other dialog first.
    a.onMessage = [&](std::uint32_t, std::uintptr_t wp, std::intptr_t) -> std::intptr_t {
        return wp == 0 ? 1 : peerOfA.load()->SendMessageA(kMsgProbe, wp - 1, 0) + 10;
    };
    b.onMessage = [&](std::uint32_t, std::uintptr_t wp, std::intptr_t) -> std::intptr_t {
        return wp == 0 ? 2 : peerOfB.load()->SendMessageA(kMsgProbe, wp - 1, 0) + 20;
    };
    DialogRunner runA(ui, a);
    SimDialog* dlgA = ui.WaitForDialog(IDD_INSTALLER_DIALOG);
    ASSERT_NE(dlgA, nullptr);
    DialogRunner runB(ui, b);
    ASSERT_TRUE(dlgA->WaitUntil([&] { return b.window.load() != nullptr; }));
    peerOfA = b.window.load();
    peerOfB = a.window.load();
    ASSERT_TRUE(dlgA->WaitIdle());
    // A asks B, and B asks A back while A still waits for B's answer.
    auto fromA = std::async(std::launch::async,
                            [&] { return a.window.load()->SendMessageA(kMsgProbe, 2, 0); });
    ASSERT_EQ(fromA.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(fromA.get(), 1 + 20 + 10);
}

TEST(UiThreads, SendUserMessageGivesUpAfterItsTimeout) {
    SimUserInterface ui;
    ScriptedHandler h;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    h.onCommand = [&](int id, int) {
        if (id == IDC_INSTALL) released.wait();
    };
    h.onMessage = [](std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t { return 7; };
    h.onInit = [&] { h.window.load()->EnableDlgItem(IDC_INSTALL, true); };
    DialogRunner run(ui, h);
    SimDialog* dlg = ui.WaitForDialog(IDD_INSTALLER_DIALOG);
    ASSERT_NE(dlg, nullptr);
    dlg->Click(IDC_INSTALL);
    ASSERT_TRUE(dlg->WaitUntil([&] { return h.Events().back() == "command 1012/0"; }));
    EXPECT_EQ(dlg->SendUserMessage(kMsgProbe, 0, 0, 30ms), std::nullopt);
    release.set_value();
    EXPECT_EQ(dlg->SendUserMessage(kMsgProbe, 0, 0), 7);
}

}  // namespace
}  // namespace sim
