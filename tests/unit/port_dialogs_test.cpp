// The two port dialogs against the simulated spooler, driven as a user
// drives them.
#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <string>
#include <vector>

#include "app/box_texts.h"
#include "dialogs/parallel_port_dlg.h"
#include "dialogs/port_choice_codes.h"
#include "dialogs/tcpip_port_dlg.h"
#include "installer_harness.h"
#include "ports/port_kinds.h"

namespace {

using Names = std::vector<std::string>;
constexpr const char* kTcpip = "Standard TCP/IP Port";

// One port dialog running modally on a thread of its own.
template <class Dlg>
class RunningDialog {
public:
    RunningDialog(InstallerHarness& h, int templateId) : m_ui(h.ui), dialog(h.platform) {
        m_result = std::async(std::launch::async, [this] { return dialog.DoModal(); });
        window = h.ui.WaitForDialog(templateId);
        if (window == nullptr || !window->WaitIdle()) throw std::runtime_error("no port dialog");
    }
    ~RunningDialog() {
        m_ui.AbortAll();
        if (m_result.valid()) m_result.wait();
    }
    std::intptr_t Result() {
        if (m_result.wait_for(std::chrono::seconds(5)) != std::future_status::ready) return -2;
        return m_result.get();
    }
    Names Rows() const {
        Names rows;
        for (int r = 0; r < window->ListItemCount(IDC_PORT_LIST); ++r) {
            rows.push_back(window->ListItemText(IDC_PORT_LIST, r, 0));
        }
        return rows;
    }

private:
    sim::SimUserInterface& m_ui;
    std::future<std::intptr_t> m_result;

public:
    Dlg dialog;
    sim::SimDialog* window = nullptr;
};

struct ResultCase {
    const char* what;
    std::function<void(sim::SimDialog&)> act;
    std::intptr_t parallel;
    std::intptr_t tcpip;
};

class PortDialogResult : public testing::TestWithParam<ResultCase> {};

TEST_P(PortDialogResult, BothDialogsEndAsTheUserDid) {
    const ResultCase& c = GetParam();
    InstallerHarness h;
    h.win.spooler().AddPort("IP_192.0.2.1", kTcpip);
    h.win.spooler().AddPort("IP_192.0.2.2", kTcpip);
    {
        RunningDialog<CParallelPortDlg> parallel(h, IDD_PARALLEL_PORT_DIALOG);
        c.act(*parallel.window);
        EXPECT_EQ(parallel.Result(), c.parallel) << c.what;
    }
    RunningDialog<CTcpipPortDlg> tcpip(h, IDD_TCPIP_PORT_DIALOG);
    c.act(*tcpip.window);
    EXPECT_EQ(tcpip.Result(), c.tcpip) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, PortDialogResult,
    testing::Values(
        ResultCase{"OK at once", [](sim::SimDialog& d) { d.Click(IDC_CHOOSE_PORT); }, 0x1200, 0x1200},
        ResultCase{"the second row",
                   [](sim::SimDialog& d) {
                       d.SelectListRow(IDC_PORT_LIST, 1);
                       d.Click(IDC_CHOOSE_PORT);
                   },
                   0x1201, 0x1201},
        ResultCase{"selection cleared",
                   [](sim::SimDialog& d) {
                       d.ClearListSelection(IDC_PORT_LIST);
                       d.Click(IDC_CHOOSE_PORT);
                   },
                   0, 0},
        ResultCase{"Cancel", [](sim::SimDialog& d) { d.Click(IDC_DISMISS_PORT); }, 0xCCCC, 0xCCCC},
        ResultCase{"close box", [](sim::SimDialog& d) { d.Close(); }, 0xCCCC, 0xCCCC},
        ResultCase{"Enter", [](sim::SimDialog& d) { d.PressEnter(); }, 1, 1},
        ResultCase{"Escape", [](sim::SimDialog& d) { d.PressEscape(); }, 2, 2}));

TEST(PortDialogs, RowsAreTheInstallersListsOfThatKind) {
    InstallerHarness h;
    sim::SimSpooler& spooler = h.win.spooler();
    spooler.AddPort("lpt4:", "Local Port");       // lower case: not parallel
    spooler.AddPort("LPTX", "Local Port", "Local Port");
    spooler.AddPort("LPT9:", kTcpip);             // a TCP/IP port by its description
    spooler.AddPort("USB007", kTcpip);            // a USB port by its name
    spooler.AddPort("IP_a", "\xB1\xEA\xD7\xBC TCP/IP \xB6\xCB\xBF\xDA");
    spooler.AddPort("IP_b", "Standard TCP/IP Port ");  // not the exact description
    for (int i = 0; i < 300; ++i) spooler.AddPort("IP_late" + std::to_string(i), kTcpip);
    std::vector<plat::PortInfo2> records;
    ASSERT_TRUE(spooler.EnumPortsA(2, &records));
    const SortedPorts lists = SortPorts(records);

    RunningDialog<CParallelPortDlg> parallel(h, IDD_PARALLEL_PORT_DIALOG);
    EXPECT_EQ(parallel.Rows(), lists.parallel);
    EXPECT_EQ(parallel.Rows(), (Names{"LPT1:", "LPT2:", "LPT3:", "LPTX"}));
    RunningDialog<CTcpipPortDlg> tcpip(h, IDD_TCPIP_PORT_DIALOG);
    EXPECT_EQ(tcpip.Rows(), lists.tcpip) << "only the first 256 ports, as the caller's list";
    EXPECT_EQ(tcpip.Rows().at(0), "LPT9:");
    EXPECT_EQ(tcpip.window->ListItemText(IDC_PORT_LIST, 1, 1), "\xB1\xEA\xD7\xBC TCP/IP \xB6\xCB\xBF\xDA");

    for (sim::SimDialog* d : {parallel.window, tcpip.window}) {
        const std::vector<sim::ListColumn> columns = d->ListColumns(IDC_PORT_LIST);
        ASSERT_EQ(columns.size(), 2u);
        EXPECT_EQ(columns[0].text + "/" + std::to_string(columns[0].width), "Port/125");
        EXPECT_EQ(columns[1].text + "/" + std::to_string(columns[1].width), "Description/300");
        EXPECT_EQ(d->ListExtendedStyle(IDC_PORT_LIST) & 0x29u, 0x21u);
        EXPECT_EQ(d->ListItemState(IDC_PORT_LIST, 0), plat::kLvisSelected);
    }
}

TEST(PortDialogs, OkOnAnEmptyListEndsOnlyTheParallelDialog) {
    InstallerHarness h;
    h.win.faults().FailAlways("EnumPortsA", plat::err::kAccessDenied);
    RunningDialog<CParallelPortDlg> parallel(h, IDD_PARALLEL_PORT_DIALOG);
    parallel.window->Click(IDC_CHOOSE_PORT);
    EXPECT_EQ(parallel.Result(), 0);
    EXPECT_TRUE(parallel.window->MessageBoxLog().empty());

    RunningDialog<CTcpipPortDlg> tcpip(h, IDD_TCPIP_PORT_DIALOG);
    tcpip.window->Click(IDC_CHOOSE_PORT);
    std::optional<sim::MessageBoxInfo> box = tcpip.window->WaitMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, kNoTcpipPortText);
    EXPECT_EQ(box->caption, kPromptCaption);
    EXPECT_EQ(box->type, plat::kMbOk);
    tcpip.window->AnswerMessageBox(plat::kIdOk);
    tcpip.window->Click(IDC_CONFIGURE_PORT);
    tcpip.window->Click(IDC_DELETE_PORT);
    ASSERT_TRUE(tcpip.window->WaitIdle());
    EXPECT_FALSE(tcpip.window->HasEnded());
    EXPECT_EQ(tcpip.window->MessageBoxLog().size(), 1u);
}

TEST(TcpipPortDialog, AddSelectsTheLastRowAndAFailedAddRowZero) {
    InstallerHarness h;
    h.win.spooler().AddPort("IP_b", kTcpip);
    h.win.spooler().AddPort("USB001", "Virtual printer port for USB");
    std::optional<std::string> created = "IP_a";
    h.win.spooler().SetAddPortHandler([&](const std::string&) { return created; });
    RunningDialog<CTcpipPortDlg> d(h, IDD_TCPIP_PORT_DIALOG);
    d.window->Click(IDC_ADD_PORT);
    ASSERT_TRUE(d.window->WaitIdle());
    EXPECT_EQ(d.Rows(), (Names{"IP_b", "IP_a"})) << "refilled, not appended to";
    EXPECT_EQ(d.window->ListSelectedRows(IDC_PORT_LIST), std::vector<int>{1});
    created.reset();
    d.window->Click(IDC_ADD_PORT);
    ASSERT_TRUE(d.window->WaitIdle());
    EXPECT_EQ(d.window->ListSelectedRows(IDC_PORT_LIST), std::vector<int>{0});
}

struct ManageCase {
    const char* what;
    int button;
    std::uint32_t failWith;  // 0: the call succeeds
    std::optional<std::pair<std::string, std::string>> box;
    Names rowsAfter;
};

class TcpipPortManage : public testing::TestWithParam<ManageCase> {};

TEST_P(TcpipPortManage, MessagesAndRefill) {
    const ManageCase& c = GetParam();
    InstallerHarness h;
    h.win.spooler().AddPort("IP_a", kTcpip);
    h.win.spooler().AddPort("IP_b", kTcpip);
    h.win.spooler().SetConfigurePortHandler([&](const std::string&) { return c.failWith; });
    RunningDialog<CTcpipPortDlg> d(h, IDD_TCPIP_PORT_DIALOG);
    // A refused delete first leaves 50 as the last error, which a later
    // successful call must not be read as.
    h.win.faults().FailNext("DeletePortA", plat::err::kNotSupported);
    d.window->Click(IDC_DELETE_PORT);
    ASSERT_TRUE(d.window->WaitMessageBox().has_value());
    d.window->AnswerMessageBox(plat::kIdOk);
    // The refused delete ends (refill included) before the faults change.
    ASSERT_TRUE(d.window->WaitIdle());
    if (c.button == IDC_DELETE_PORT && c.failWith != 0) {
        h.win.faults().FailAlways("DeletePortA", c.failWith);
    }

    d.window->SelectListRow(IDC_PORT_LIST, 1);
    d.window->Click(c.button);
    if (c.box) {
        std::optional<sim::MessageBoxInfo> box = d.window->WaitMessageBox();
        ASSERT_TRUE(box.has_value()) << c.what;
        EXPECT_EQ(box->text, c.box->first) << c.what;
        EXPECT_EQ(box->caption, c.box->second) << c.what;
        d.window->AnswerMessageBox(plat::kIdOk);
    }
    ASSERT_TRUE(d.window->WaitIdle());
    EXPECT_EQ(d.window->MessageBoxLog().size(), c.box ? 2u : 1u) << c.what;
    EXPECT_EQ(d.Rows(), c.rowsAfter) << c.what;
    EXPECT_EQ(d.window->ListSelectedRows(IDC_PORT_LIST).at(0),
              c.button == IDC_DELETE_PORT ? 0 : 1) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, TcpipPortManage,
    testing::Values(
        ManageCase{"configured", IDC_CONFIGURE_PORT, 0, std::nullopt, {"IP_a", "IP_b"}},
        ManageCase{"configure not supported", IDC_CONFIGURE_PORT, 50,
                   std::make_pair(kConfigureUnsupportedText, kConfigureUnsupportedCaption),
                   {"IP_a", "IP_b"}},
        ManageCase{"configure hardware error", IDC_CONFIGURE_PORT, 57,
                   std::make_pair(kConfigureHardwareErrorText, kConfigureHardwareErrorCaption),
                   {"IP_a", "IP_b"}},
        ManageCase{"configure cancelled", IDC_CONFIGURE_PORT, 1223, std::nullopt, {"IP_a", "IP_b"}},
        ManageCase{"deleted", IDC_DELETE_PORT, 0, std::nullopt, {"IP_a"}},
        ManageCase{"delete not supported", IDC_DELETE_PORT, 50,
                   std::make_pair(kDeleteUnsupportedText, kDeleteUnsupportedCaption),
                   {"IP_a", "IP_b"}},
        ManageCase{"delete denied", IDC_DELETE_PORT, 5, std::nullopt, {"IP_a", "IP_b"}}));

}  // namespace
