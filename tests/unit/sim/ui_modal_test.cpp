// Message boxes and modal children: the dialog thread blocks in a nested
// loop that still serves sends and timer ticks while the user's input to
// the owner goes nowhere.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "platform/sim/sim_dialog_boxes.h"
#include "ui_test_support.h"

namespace sim {
namespace {

using namespace std::chrono_literals;
using testing::DialogRunner;
using testing::ScriptedHandler;

constexpr std::uint32_t kMsgProbe = plat::kWmUser + 51;

// A dialog whose Install button (enabled at start) shows one message box of
// `type` and keeps the answer.
struct BoxOnInstall {
    explicit BoxOnInstall(std::uint32_t type) {
        h.onInit = [this] { h.window.load()->EnableDlgItem(IDC_INSTALL, true); };
        h.onCommand = [this, type](int id, int) {
            if (id == IDC_INSTALL) {
                answer = h.window.load()->MessageBoxA("Proceed?", "installer", type);
            } else if (id == plat::kIdCancel) {
                h.window.load()->EndDialog(id);
            }
        };
    }
    ScriptedHandler h;
    std::atomic<int> answer{-1};
};

TEST(UiMessageBox, TheTestSeesTheBoxAndItsAnswerReachesTheProgram) {
    SimUserInterface ui;
    BoxOnInstall d(plat::kMbYesNo | plat::kMbIconQuestion);
    DialogRunner run(ui, d.h);
    SimDialog* dlg = ui.WaitForDialog(IDD_INSTALLER_DIALOG);
    ASSERT_NE(dlg, nullptr);
    dlg->Click(IDC_INSTALL);
    std::optional<MessageBoxInfo> box = dlg->WaitMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, "Proceed?");
    EXPECT_EQ(box->caption, "installer");
    EXPECT_EQ(box->type, plat::kMbYesNo | plat::kMbIconQuestion);
    EXPECT_FALSE(dlg->AnswerMessageBox(plat::kIdOk)) << "a Yes/No box has no OK button";
    EXPECT_TRUE(dlg->AnswerMessageBox(plat::kIdNo));
    ASSERT_TRUE(dlg->WaitIdle());
    EXPECT_EQ(d.answer.load(), plat::kIdNo);
    ASSERT_EQ(dlg->MessageBoxLog().size(), 1u);
    EXPECT_EQ(dlg->MessageBoxLog()[0].answer, plat::kIdNo);
    EXPECT_FALSE(dlg->AnswerMessageBox(plat::kIdYes)) << "no box is open any more";
}

TEST(UiMessageBox, SendsAndTimerTicksAreServedWhileABoxIsOpenButClicksAreLost) {
    SimUserInterface ui;
    BoxOnInstall d(plat::kMbOk);
    d.h.onMessage = [](std::uint32_t, std::uintptr_t wp, std::intptr_t) -> std::intptr_t {
        return static_cast<std::intptr_t>(wp) * 2;
    };
    DialogRunner run(ui, d.h);
    SimDialog* dlg = ui.WaitForDialog(IDD_INSTALLER_DIALOG);
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(dlg->WaitIdle());
    d.h.window.load()->SetTimer(1, 100);  // from the test thread: a send
    dlg->Click(IDC_INSTALL);
    ASSERT_TRUE(dlg->WaitMessageBox().has_value());

    auto sent = std::async(std::launch::async,
                           [&] { return d.h.window.load()->SendMessageA(kMsgProbe, 21, 0); });
    ASSERT_EQ(sent.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(sent.get(), 42);
    EXPECT_TRUE(dlg->FireTimer(1));
    EXPECT_TRUE(dlg->Click(plat::kIdCancel));  // the owner is disabled: goes nowhere
    ASSERT_TRUE(dlg->WaitIdle());
    EXPECT_EQ(d.h.Events().back(), "timer 1");
    EXPECT_FALSE(dlg->HasEnded());

    ASSERT_TRUE(dlg->AnswerMessageBox(plat::kIdOk));
    ASSERT_TRUE(dlg->WaitIdle());
    EXPECT_EQ(d.answer.load(), plat::kIdOk);
    EXPECT_FALSE(dlg->HasEnded());
}

TEST(UiMessageBox, AWorkersBoxRunsOnTheDialogThreadAndTheWorkerWaitsForTheAnswer) {
    SimUserInterface ui;
    ScriptedHandler h;
    DialogRunner run(ui, h);
    SimDialog* dlg = ui.WaitForDialog(IDD_INSTALLER_DIALOG);
    ASSERT_NE(dlg, nullptr);
    auto shown = std::async(std::launch::async, [&] {
        return h.window.load()->MessageBoxA("Spooler stopped", "installer", plat::kMbRetryCancel);
    });
    ASSERT_TRUE(dlg->WaitMessageBox().has_value());
    EXPECT_EQ(shown.wait_for(20ms), std::future_status::timeout);
    ASSERT_TRUE(dlg->AnswerMessageBox(plat::kIdRetry));
    EXPECT_EQ(shown.get(), plat::kIdRetry);
}

struct AutoAnswerCase {
    std::uint32_t type;
    std::optional<int> dialogAnswer;
    std::optional<int> uiAnswer;
    int expected;
};

class UiAutoAnswer : public ::testing::TestWithParam<AutoAnswerCase> {};

TEST_P(UiAutoAnswer, AnswersAtOnceAndRecords) {
    const AutoAnswerCase& c = GetParam();
    SimUserInterface ui;
    ui.SetAutoAnswer(c.uiAnswer);
    BoxOnInstall d(c.type);
    DialogRunner run(ui, d.h);
    SimDialog* dlg = ui.WaitForDialog(IDD_INSTALLER_DIALOG);
    ASSERT_NE(dlg, nullptr);
    dlg->SetAutoAnswer(c.dialogAnswer);
    dlg->Click(IDC_INSTALL);
    ASSERT_TRUE(dlg->WaitUntil([&] { return d.answer.load() != -1; }));
    EXPECT_EQ(d.answer.load(), c.expected);
    ASSERT_EQ(dlg->MessageBoxLog().size(), 1u);
    EXPECT_EQ(dlg->MessageBoxLog()[0].answer, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UiAutoAnswer,
    ::testing::Values(
        AutoAnswerCase{plat::kMbOk, plat::kIdOk, std::nullopt, plat::kIdOk},
        AutoAnswerCase{plat::kMbYesNo, plat::kIdNo, plat::kIdYes, plat::kIdNo},
        AutoAnswerCase{plat::kMbYesNo, std::nullopt, plat::kIdNo, plat::kIdNo},
        // An answer the box cannot give falls back on its default button.
        AutoAnswerCase{plat::kMbYesNo, plat::kIdOk, std::nullopt, plat::kIdYes},
        AutoAnswerCase{plat::kMbRetryCancel | 0x100, plat::kIdOk, std::nullopt, plat::kIdCancel}));

TEST(UiMessageBox, ButtonTable) {
    EXPECT_EQ(MessageBoxButtons(plat::kMbOk | plat::kMbIconError), std::vector<int>{plat::kIdOk});
    EXPECT_EQ(MessageBoxButtons(plat::kMbOkCancel), (std::vector<int>{plat::kIdOk, plat::kIdCancel}));
    EXPECT_EQ(MessageBoxButtons(plat::kMbYesNo | plat::kMbIconWarning),
              (std::vector<int>{plat::kIdYes, plat::kIdNo}));
    EXPECT_EQ(MessageBoxDefaultButton(plat::kMbYesNo | 0x100), plat::kIdNo);
}

// A child that ends with row + 0x1200 when OK (1037) is clicked.
struct ChildDialog {
    ChildDialog() {
        h.onCommand = [this](int id, int) {
            if (id == plat::kIdCancel) h.window.load()->EndDialog(0xCCCC);
            if (id == plat::kIdOk) h.window.load()->EndDialog(0x1200);
        };
    }
    ScriptedHandler h;
};

TEST(UiModalChild, RunsNestedOnTheSameThreadAndHandsBackItsResult) {
    SimUserInterface ui;
    ChildDialog child;
    ScriptedHandler parent;
    std::atomic<std::intptr_t> childResult{-2};
    parent.onInit = [&] { parent.window.load()->EnableDlgItem(IDC_INSTALL, true); };
    parent.onCommand = [&](int id, int) {
        if (id == IDC_INSTALL) {
            childResult = parent.window.load()->RunModalChild(IDD_INSTALLER_DIALOG, child.h);
        } else if (id == plat::kIdCancel) {
            parent.window.load()->EndDialog(id);
        }
    };
    parent.onMessage = [](std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t { return 5; };
    DialogRunner run(ui, parent);
    SimDialog* top = ui.WaitForDialog(IDD_INSTALLER_DIALOG);
    ASSERT_NE(top, nullptr);
    top->Click(IDC_INSTALL);
    ASSERT_TRUE(top->WaitUntil([&] { return ui.Dialogs(IDD_INSTALLER_DIALOG).size() == 2; }));
    SimDialog* kid = ui.WaitForDialog(IDD_INSTALLER_DIALOG);
    ASSERT_NE(kid, top);
    EXPECT_EQ(kid->Parent(), top);
    EXPECT_EQ(kid->ThreadId(), top->ThreadId());
    EXPECT_NE(kid->Handle(), top->Handle());

    // The parent keeps answering sends, but the user cannot reach it.
    auto sent = std::async(std::launch::async,
                           [&] { return parent.window.load()->SendMessageA(kMsgProbe, 0, 0); });
    ASSERT_EQ(sent.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(sent.get(), 5);
    top->Close();
    ASSERT_TRUE(kid->WaitIdle());
    EXPECT_FALSE(top->HasEnded());

    kid->PressEnter();  // the default button (Install) is disabled: nothing
    ASSERT_TRUE(kid->WaitIdle());
    EXPECT_FALSE(kid->HasEnded());
    kid->PressEscape();
    ASSERT_TRUE(kid->WaitForEnd());
    ASSERT_TRUE(top->WaitIdle());
    EXPECT_EQ(childResult.load(), 0xCCCC);
    EXPECT_FALSE(top->HasEnded());
    EXPECT_EQ(child.h.Events().back(), "detach");
    top->Close();
    ASSERT_TRUE(top->WaitForEnd());
}

TEST(UiModalChild, UnknownTemplateGivesMinusOne) {
    SimUserInterface ui;
    ScriptedHandler h;
    std::atomic<std::intptr_t> childResult{0};
    ScriptedHandler child;
    h.onInit = [&] { childResult = h.window.load()->RunModalChild(4242, child); };
    DialogRunner run(ui, h);
    SimDialog* dlg = ui.WaitForDialog(IDD_INSTALLER_DIALOG);
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(dlg->WaitIdle());
    EXPECT_EQ(childResult.load(), -1);
    EXPECT_TRUE(child.Events().empty());
    EXPECT_EQ(ui.DialogBoxParamA(4242, child), -1);
}

TEST(UiModalChild, AbortAllReleasesNestedLoopsAndOpenBoxes) {
    SimUserInterface ui;
    ChildDialog child;
    ScriptedHandler parent;
    parent.onInit = [&] {
        parent.window.load()->RunModalChild(IDD_INSTALLER_DIALOG, child.h);
        parent.window.load()->MessageBoxA("after the child", "installer", plat::kMbOk);
    };
    child.h.onInit = [&] { child.h.window.load()->MessageBoxA("in the child", "x", plat::kMbOk); };
    DialogRunner run(ui, parent);
    SimDialog* top = ui.WaitForDialog(IDD_INSTALLER_DIALOG);
    ASSERT_NE(top, nullptr);
    ASSERT_TRUE(top->WaitUntil([&] { return ui.Dialogs(IDD_INSTALLER_DIALOG).size() == 2; }));
    SimDialog* kid = ui.Dialogs(IDD_INSTALLER_DIALOG)[1];
    ASSERT_TRUE(kid->WaitMessageBox().has_value());
    ui.AbortAll();
    ASSERT_TRUE(kid->WaitForEnd());
    ASSERT_TRUE(top->WaitForEnd());
    EXPECT_TRUE(top->WaitUntil([&] { return run.finished.load(); }));
    EXPECT_EQ(run.result.load(), -1);
    // The box after the child was answered at once with 0, not waited for.
    ASSERT_EQ(top->MessageBoxLog().size(), 1u);
    EXPECT_EQ(top->MessageBoxLog()[0].answer, 0);
}

}  // namespace
}  // namespace sim
