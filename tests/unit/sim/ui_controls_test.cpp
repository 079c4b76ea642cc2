// The controls' behaviour, as the program's messages and the user's input
// meet it: results Windows gives, single selection, disabled controls.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/sim/sim_dialog_controls.h"
#include "ui_test_support.h"

namespace sim {
namespace {

using testing::DialogRunner;
using testing::ScriptedHandler;

SimControls InstallerControls() { return SimControls(*FindDialogTemplate(IDD_INSTALLER_DIALOG)); }

TEST(UiControls, StartAsTheTemplateSays) {
    SimControls c = InstallerControls();
    EXPECT_EQ(c.GetText(IDC_STATUS), "Driver install Program");
    EXPECT_FALSE(c.IsEnabled(IDC_INSTALL));
    EXPECT_TRUE(c.IsEnabled(plat::kIdCancel));
    EXPECT_EQ(c.GetCheck(IDC_SET_DEFAULT), plat::kBstUnchecked);
    EXPECT_EQ(c.ComboGetCurSel(IDC_DRIVER_COMBO), -1);
    EXPECT_EQ(c.ListColumnCount(IDC_PORT_LIST), 0);
    EXPECT_TRUE(c.Misuses().empty());
}

TEST(UiControls, ComboBoxKeepsInsertionOrderAndShowsItsSelection) {
    SimControls c = InstallerControls();
    EXPECT_EQ(c.ComboAdd(IDC_DRIVER_COMBO, "Zeta"), 0);
    EXPECT_EQ(c.ComboAdd(IDC_DRIVER_COMBO, "Alpha"), 1);  // not sorted
    EXPECT_EQ(c.GetText(IDC_DRIVER_COMBO), "");
    EXPECT_EQ(c.ComboSetCurSel(IDC_DRIVER_COMBO, 1), 1);
    EXPECT_EQ(c.GetText(IDC_DRIVER_COMBO), "Alpha");
    EXPECT_EQ(c.ComboSetCurSel(IDC_DRIVER_COMBO, 2), -1);
    EXPECT_EQ(c.ComboGetCurSel(IDC_DRIVER_COMBO), -1) << "an index past the end selects nothing";
    EXPECT_EQ(c.ComboItem(IDC_DRIVER_COMBO, 5), "");
    EXPECT_TRUE(c.SetText(IDC_DRIVER_COMBO, "zeta"));
    EXPECT_EQ(c.ComboGetCurSel(IDC_DRIVER_COMBO), 0);
    c.ComboReset(IDC_DRIVER_COMBO);
    EXPECT_EQ(c.ComboCount(IDC_DRIVER_COMBO), 0);
    EXPECT_EQ(c.ComboGetCurSel(IDC_DRIVER_COMBO), -1);
}

TEST(UiControls, SingleSelectionListKeepsOneSelectedAndOneFocusedRow) {
    SimControls c = InstallerControls();
    const int list = IDC_PORT_LIST;
    for (int row = 0; row < 4; ++row) EXPECT_EQ(c.ListInsertItem(list, row, "r" + std::to_string(row)), row);
    const std::uint32_t both = plat::kLvisSelected | plat::kLvisFocused;
    EXPECT_TRUE(c.ListSetItemState(list, 1, both, both));
    EXPECT_TRUE(c.ListSetItemState(list, 3, plat::kLvisSelected, plat::kLvisSelected));
    EXPECT_EQ(c.ListGetItemState(list, 1, both), plat::kLvisFocused);
    EXPECT_EQ(c.ListGetItemState(list, 3, both), plat::kLvisSelected);
    EXPECT_TRUE(c.ListSetItemState(list, 2, plat::kLvisFocused, plat::kLvisFocused));
    EXPECT_EQ(c.ListGetItemState(list, 1, both), 0u);
    EXPECT_EQ(c.ListGetItemState(list, 3, both), plat::kLvisSelected);
    // Selecting every row at once is refused; clearing every row works.
    EXPECT_FALSE(c.ListSetItemState(list, -1, plat::kLvisSelected, plat::kLvisSelected));
    EXPECT_TRUE(c.ListSetItemState(list, -1, 0, plat::kLvisSelected));
    EXPECT_EQ(c.ListGetItemState(list, 3, both), 0u);
    EXPECT_FALSE(c.ListSetItemState(list, 4, both, both));
}

TEST(UiControls, ListColumnsAndCells) {
    SimControls c = InstallerControls();
    const int list = IDC_PORT_LIST;
    EXPECT_EQ(c.ListInsertColumn(list, 0, "Port", plat::kLvcfmtLeft), 0);
    EXPECT_EQ(c.ListInsertColumn(list, 9, "Description", plat::kLvcfmtLeft), 1);
    EXPECT_TRUE(c.ListSetColumnWidth(list, 1, 300));
    EXPECT_FALSE(c.ListSetColumnWidth(list, 2, 10));
    EXPECT_EQ(c.ListInsertItem(list, 7, "COM1:"), 0) << "an index past the end appends";
    EXPECT_TRUE(c.ListSetItemText(list, 0, 1, "Serial"));
    EXPECT_FALSE(c.ListSetItemText(list, 0, 2, "no such column"));
    EXPECT_FALSE(c.ListSetItemText(list, 1, 0, "no such row"));
    EXPECT_EQ(c.ListGetItemText(list, 0, 1), "Serial");
    EXPECT_EQ(c.ListGetItemText(list, 0, 5), "");
    EXPECT_TRUE(c.ListDeleteColumn(list, 0));
    EXPECT_EQ(c.ListColumnCount(list), 1);
    EXPECT_EQ(c.ListGetItemText(list, 0, 0), "Serial");
    EXPECT_FALSE(c.ListDeleteColumn(list, 1));
    EXPECT_FALSE(c.ListDeleteItem(list, 1));
    EXPECT_TRUE(c.ListDeleteItem(list, 0));
    EXPECT_EQ(c.ListCount(list), 0);
}

class UiProgress : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(UiProgress, PositionStaysInRange) {
    SimControls c = InstallerControls();
    c.ProgressSetPos(IDC_PROGRESS, GetParam().first);
    EXPECT_EQ(c.ProgressGetPos(IDC_PROGRESS), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Table, UiProgress,
                         ::testing::Values(std::pair{0, 0}, std::pair{55, 55}, std::pair{100, 100},
                                           std::pair{101, 100}, std::pair{-5, 0}));

TEST(UiControls, CallsOnMissingOrWrongControlsFailAndAreNoted) {
    SimControls c = InstallerControls();
    EXPECT_EQ(c.ComboAdd(IDC_PORT_LIST, "x"), -1);
    EXPECT_EQ(c.GetText(4711), "");
    EXPECT_EQ(c.ListInsertItem(IDC_DRIVER_COMBO, 0, "x"), -1);
    c.ProgressSetPos(IDC_STATUS, 5);
    ASSERT_EQ(c.Misuses().size(), 4u);
    EXPECT_NE(c.Misuses()[0].find("CB_ADDSTRING on control 1004, a list view"), std::string::npos);
    EXPECT_NE(c.Misuses()[1].find("missing control 4711"), std::string::npos);
}

// ---- The user's input through a running dialog ----

class UiInput : public ::testing::Test {
protected:
    void SetUp() override {
        h_.onCommand = [this](int id, int code) {
            if (id == plat::kIdCancel || id == plat::kIdOk) h_.window.load()->EndDialog(id);
            (void)code;
        };
        h_.onInit = [this] {
            plat::IDialogWindow* w = h_.window;
            w->ComboAddString(IDC_DRIVER_COMBO, "A");
            w->ComboAddString(IDC_DRIVER_COMBO, "B");
            for (int row = 0; row < 3; ++row) w->ListInsertItem(IDC_PORT_LIST, row, "port");
            w->ListSetItemState(IDC_PORT_LIST, 0, plat::kLvisSelected, plat::kLvisSelected);
            w->SetTimer(1, 500);
        };
        run_ = std::make_unique<DialogRunner>(ui_, h_);
        dlg_ = ui_.WaitForDialog(IDD_INSTALLER_DIALOG);
        ASSERT_NE(dlg_, nullptr);
        ASSERT_TRUE(dlg_->WaitIdle());
    }
    std::vector<std::string> EventsAfterInit() {
        EXPECT_TRUE(dlg_->WaitIdle());
        std::vector<std::string> all = h_.Events();
        return std::vector<std::string>(all.begin() + 2, all.end());  // after attach, init
    }

    SimUserInterface ui_;
    ScriptedHandler h_;
    std::unique_ptr<DialogRunner> run_;
    SimDialog* dlg_ = nullptr;
};

TEST_F(UiInput, ClicksOnDisabledControlsDoNothing) {
    dlg_->Click(IDC_INSTALL);  // disabled in the template
    dlg_->PressEnter();        // the default button is that disabled one
    dlg_->Click(IDC_STATUS);   // a static takes no clicks
    EXPECT_TRUE(EventsAfterInit().empty());
    h_.window.load()->EnableDlgItem(IDC_INSTALL, true);
    dlg_->Click(IDC_INSTALL);
    dlg_->PressEnter();
    EXPECT_EQ(EventsAfterInit(), (std::vector<std::string>{"command 1012/0", "command 1012/0"}));
}

TEST_F(UiInput, CheckBoxComboListAndEditInput) {
    dlg_->SetCheck(IDC_SET_DEFAULT, true);
    dlg_->SetCheck(IDC_SET_DEFAULT, true);  // already ticked: no click
    dlg_->SelectComboItem(IDC_DRIVER_COMBO, 1);
    dlg_->SelectListRow(IDC_PORT_LIST, 2);
    dlg_->TypeText(IDC_PRINTER_NAME, "Counter 1");
    EXPECT_EQ(EventsAfterInit(),
              (std::vector<std::string>{"command 1002/0", "command 1000/1", "command 1001/768"}));
    EXPECT_TRUE(dlg_->IsChecked(IDC_SET_DEFAULT));
    EXPECT_EQ(dlg_->Text(IDC_DRIVER_COMBO), "B");
    EXPECT_EQ(dlg_->ListSelectedRows(IDC_PORT_LIST), std::vector<int>{2});
    EXPECT_EQ(dlg_->ListItemState(IDC_PORT_LIST, 2), plat::kLvisSelected | plat::kLvisFocused);
    EXPECT_EQ(dlg_->Text(IDC_PRINTER_NAME), "Counter 1");
    dlg_->ClearListSelection(IDC_PORT_LIST);
    dlg_->Click(IDC_SET_DEFAULT);
    ASSERT_TRUE(dlg_->WaitIdle());
    EXPECT_TRUE(dlg_->ListSelectedRows(IDC_PORT_LIST).empty());
    EXPECT_FALSE(dlg_->IsChecked(IDC_SET_DEFAULT));
}

TEST_F(UiInput, TimersTickOnlyWhileSet) {
    EXPECT_EQ(dlg_->ActiveTimers(), (std::map<std::uintptr_t, std::uint32_t>{{1, 500}}));
    EXPECT_FALSE(dlg_->FireTimer(2));
    EXPECT_TRUE(dlg_->FireTimer(1));
    EXPECT_EQ(EventsAfterInit(), std::vector<std::string>{"timer 1"});
    EXPECT_TRUE(h_.window.load()->KillTimer(1));
    EXPECT_FALSE(h_.window.load()->KillTimer(1));
    EXPECT_FALSE(dlg_->FireTimer(1));
    EXPECT_TRUE(dlg_->ActiveTimers().empty());
}

TEST_F(UiInput, EscapeCancelsEvenWithCancelDisabled) {
    h_.window.load()->EnableDlgItem(plat::kIdCancel, false);
    dlg_->Click(plat::kIdCancel);
    ASSERT_TRUE(dlg_->WaitIdle());
    EXPECT_FALSE(dlg_->HasEnded());
    dlg_->PressEscape();
    ASSERT_TRUE(dlg_->WaitForEnd());
    EXPECT_EQ(dlg_->Result(), plat::kIdCancel);
    EXPECT_EQ(h_.Events().back(), "detach");
}

TEST_F(UiInput, TestMistakesThrow) {
    EXPECT_THROW(dlg_->Text(4711), std::invalid_argument);
    EXPECT_THROW(dlg_->ComboItems(IDC_PORT_LIST), std::invalid_argument);
    EXPECT_THROW(dlg_->SelectListRow(IDC_PORT_LIST, 3), std::out_of_range);
    EXPECT_THROW(dlg_->TypeText(IDC_STATUS, "x"), std::invalid_argument);
}

TEST(UiMessages, RegisteredIdsAreStableAndCaseBlind) {
    SimUserInterface ui;
    const std::uint32_t id = ui.RegisterWindowMessageA("MyUpdateData");
    EXPECT_GE(id, 0xC000u);
    EXPECT_EQ(ui.RegisterWindowMessageA("myupdatedata"), id);
    EXPECT_NE(ui.RegisterWindowMessageA("Other"), id);
    EXPECT_EQ(ui.RegisterWindowMessageA(""), 0u);
    EXPECT_EQ(ui.RegisterWindowMessageA(nullptr), 0u);
}

}  // namespace
}  // namespace sim
