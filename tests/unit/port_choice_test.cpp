// The port choice of parallel and TCP/IP printers: when a dialog shows,
// which port the printer gets, and that anything else leaves the Install
// button usable with the port untouched.
#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <string>

#include "app/box_texts.h"
#include "installer_harness.h"
#include "ports/port_kinds.h"

namespace {

constexpr const char* kTcpip = "Standard TCP/IP Port";

class PortChoice : public testing::Test {
protected:
    void TearDown() override {
        h.ui.AbortAll();  // a failed test must not leave a dialog waiting
        if (m_choice.valid()) m_choice.wait();
    }
    // Starts the installer and runs step 1 of an installation for `kind`
    // on a thread of its own, as the Install button would.
    void Choose(int kind) {
        h.Start();
        ASSERT_TRUE(h.WaitStartup());
        h.dialog->m_nPortType = kind;
        h.dialog->m_strPort = "unchanged";
        h.dialog->m_btnInstall.EnableWindow(false);
        m_choice = std::async(std::launch::async, [this] { return h.dialog->ChoosePortForPrinter(); });
    }
    // The outcome once step 1 has ended: false when the choice was cancelled.
    bool Chosen() {
        EXPECT_EQ(m_choice.wait_for(std::chrono::seconds(5)), std::future_status::ready);
        const bool chosen = m_choice.get();
        EXPECT_EQ(h.window->IsEnabled(IDC_INSTALL), !chosen) << "the button is usable after a cancel";
        return chosen;
    }

    InstallerHarness h;

private:
    std::future<bool> m_choice;
};

TEST_F(PortChoice, NoParallelPortIsToldAndCancelled) {
    for (const char* port : {"LPT1:", "LPT2:", "LPT3:"}) h.win.spooler().RemovePort(port);
    Choose(kPortParallel);
    std::optional<sim::MessageBoxInfo> box = h.window->WaitMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, kNoParallelPortText);
    EXPECT_EQ(box->caption, "installer");
    h.window->AnswerMessageBox(plat::kIdOk);
    EXPECT_FALSE(Chosen());
    EXPECT_EQ(h.dialog->m_strPort, "unchanged");
}

TEST_F(PortChoice, OneParallelPortNeedsNoDialog) {
    for (const char* port : {"LPT1:", "LPT3:"}) h.win.spooler().RemovePort(port);
    Choose(kPortParallel);
    EXPECT_TRUE(Chosen());
    EXPECT_EQ(h.dialog->m_strPort, "LPT2:");
    EXPECT_TRUE(h.ui.Dialogs(IDD_PARALLEL_PORT_DIALOG).empty());
}

struct DialogCase {
    const char* what;
    std::function<void(InstallerHarness&, sim::SimDialog&)> act;
    const char* port;  // nullptr: a cancelled choice
};

class ParallelDialogChoice : public PortChoice, public testing::WithParamInterface<DialogCase> {};

TEST_P(ParallelDialogChoice, OnlyARowOfTheRefreshedListIsTaken) {
    const DialogCase& c = GetParam();
    Choose(kPortParallel);
    sim::SimDialog* d = h.ui.WaitForDialog(IDD_PARALLEL_PORT_DIALOG);
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(d->WaitIdle());
    c.act(h, *d);
    EXPECT_EQ(Chosen(), c.port != nullptr) << c.what;
    EXPECT_EQ(h.dialog->m_strPort, c.port != nullptr ? c.port : "unchanged") << c.what;
    EXPECT_EQ(h.window->ListSelectedRows(IDC_PORT_LIST), std::vector<int>{kPortParallel})
        << "the refresh keeps the user's port kind";
}

void Pick(sim::SimDialog& d, int row) {
    d.SelectListRow(IDC_PORT_LIST, row);
    d.Click(IDC_CHOOSE_PORT);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParallelDialogChoice,
    testing::Values(
        DialogCase{"second row", [](InstallerHarness&, sim::SimDialog& d) { Pick(d, 1); }, "LPT2:"},
        DialogCase{"Cancel", [](InstallerHarness&, sim::SimDialog& d) { d.Click(IDC_DISMISS_PORT); },
                   nullptr},
        DialogCase{"Escape", [](InstallerHarness&, sim::SimDialog& d) { d.PressEscape(); }, nullptr},
        DialogCase{"the chosen row's port went away meanwhile",
                   [](InstallerHarness& h, sim::SimDialog& d) {
                       h.win.spooler().RemovePort("LPT1:");
                       Pick(d, 2);
                   },
                   nullptr}));

TEST_F(PortChoice, TcpipPortAddedInTheDialogCanBeChosen) {
    h.win.spooler().AddPort("IP_b", kTcpip);
    h.win.spooler().AddPort("IP_c", kTcpip);
    h.win.spooler().SetAddPortHandler([](const std::string&) { return std::string("IP_a"); });
    Choose(kPortTcpip);
    sim::SimDialog* d = h.ui.WaitForDialog(IDD_TCPIP_PORT_DIALOG);
    ASSERT_NE(d, nullptr);
    d->Click(IDC_ADD_PORT);
    d->Click(IDC_CHOOSE_PORT);  // the new port, selected as the last row
    EXPECT_TRUE(Chosen());
    EXPECT_EQ(h.dialog->m_strPort, "IP_a");
    EXPECT_EQ(h.dialog->m_saTcpipPorts.size(), 3u);
}

TEST_F(PortChoice, WithoutTcpipPortTheMonitorCreatesOne) {
    h.win.spooler().SetAddPortHandler([](const std::string&) { return std::string("IP_new"); });
    Choose(kPortTcpip);
    EXPECT_TRUE(Chosen());
    EXPECT_EQ(h.dialog->m_strPort, "IP_new");
    EXPECT_TRUE(h.ui.Dialogs(IDD_TCPIP_PORT_DIALOG).empty());
}

TEST_F(PortChoice, WithoutTcpipPortARefusingMonitorCancelsSilently) {
    sim::SpoolerQuirks wine;
    wine.noTcpipMonitor = true;
    h.win.spooler().SetQuirks(wine);
    Choose(kPortTcpip);
    EXPECT_FALSE(Chosen());
    EXPECT_TRUE(h.window->MessageBoxLog().empty());
    EXPECT_EQ(h.dialog->m_strPort, "unchanged");
}

}  // namespace
