// The port choice of an installation as a person meets it: Install on the
// parallel or TCP/IP row opens the port dialog, the printer ends on the
// chosen port, and a cancelled choice brings the Install button back with
// nothing installed.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <winspool.h>

#include <map>
#include <string>
#include <vector>

#include "dialog_probe.h"
#include "e2e_options.h"
#include "installer_session.h"
#include "remote_list_view.h"
#include "shared_run.h"
#include "tcpip_monitor_setup.h"
#include "wait.h"
#include "working_files.h"

namespace e2e {
namespace {

constexpr int kPortRowParallel = 2;
constexpr int kPortRowTcpip = 3;
constexpr char kParallelCaption[] = "Select A Parallel Port";
constexpr char kTcpipCaption[] = "Configure TCP/IP PrinterPort";
constexpr DWORD kChoiceTimeoutMs = 10000;
constexpr DWORD kInstallTimeoutMs = 120000;

// The port of each installed printer, by printer name.
std::map<std::string, std::string> PrinterPorts() {
    DWORD needed = 0, count = 0;
    char empty[] = "";
    EnumPrintersA(PRINTER_ENUM_LOCAL, empty, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed);
    std::map<std::string, std::string> ports;
    if (needed == 0 || !EnumPrintersA(PRINTER_ENUM_LOCAL, empty, 2, buffer.data(), needed, &needed,
                                      &count)) {
        return ports;
    }
    const auto* printers = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        ports[printers[i].pPrinterName ? printers[i].pPrinterName : ""] =
            printers[i].pPortName ? printers[i].pPortName : "";
    }
    return ports;
}

// One installer run per test, started once the test has set up the ports.
class PortChoiceTest : public OwnRunTest {
protected:
    void SetUp() override {
        if (!PackageAvailable(TheOptions())) GTEST_SKIP() << "no DriverData.Drv to install from";
        m_printersBefore = PrinterPorts();
    }
    // Starts the installer and waits until Install is usable.
    void Start() {
        m_session = std::make_unique<InstallerSession>(TheOptions().installer, TheOptions().workingDir);
        ASSERT_TRUE(m_session->Started()) << m_session->StartError();
        ASSERT_TRUE(m_session->WaitForDialog());
        const StartupObservation seen = m_session->WatchStartup();
        ASSERT_TRUE(seen.ready) << seen.problem;
    }
    void TearDown() override {
        if (m_session && m_session->Process().Running() && m_session->Dialog() != nullptr) {
            // The close box: Cancel is disabled once Install was pressed.
            m_session->Close(CloseWay::CloseBox);
            m_session->WaitForExit();
        }
        if (m_monitorUsed) {  // the later tests see no TCP/IP port
            SetTcpipTestPorts({});
            SetTcpipTestMonitorValue("TestAddError", 0);
        }
    }
    void UseTcpipMonitor(const std::vector<std::string>& ports) {
        m_monitorUsed = true;
        ASSERT_EQ(InstallTcpipTestMonitor(), "");
        ASSERT_EQ(SetTcpipTestPorts(ports), "");
    }

    // Picks the port-type row, presses Install and waits for the window
    // captioned `caption`; null when none showed (m_problem says why).
    HWND Install(int row, const char* caption) {
        HWND dialog = m_session->Dialog();
        EXPECT_TRUE(RemoteListView(GetDlgItem(dialog, IDC_PORT_LIST), m_session->Id()).SelectItem(row));
        PostMessageA(GetDlgItem(dialog, IDC_INSTALL), BM_CLICK, 0, 0);
        return m_session->WaitForBox(caption, kChoiceTimeoutMs, &m_problem);
    }
    std::string InstallUsableAgain() {
        return m_session->WaitFor([&] { return ControlEnabled(m_session->Dialog(), IDC_INSTALL); },
                                  kChoiceTimeoutMs);
    }
    // "" once the printer "SK200K8" (the first driver's name) is on port
    // `expected`, else where it is and what ended the wait.
    std::string PrinterEndsOn(const std::string& expected) {
        std::string port;
        const std::string problem = m_session->WaitFor(
            [&] { return (port = PrinterPorts()["SK200K8"]) == expected; }, kInstallTimeoutMs);
        return problem.empty() ? "" : "the printer is on \"" + port + "\": " + problem;
    }

    std::unique_ptr<InstallerSession> m_session;
    std::map<std::string, std::string> m_printersBefore;
    bool m_monitorUsed = false;
    std::string m_problem;
};

TEST_F(PortChoiceTest, ParallelRowAsksForThePortAndTheSecondRowGivesLpt2) {
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND choice = Install(kPortRowParallel, kParallelCaption);
    ASSERT_NE(choice, nullptr) << "no window \"" << kParallelCaption << "\": " << m_problem;
    ASSERT_TRUE(RemoteListView(GetDlgItem(choice, IDC_PORT_LIST), m_session->Id()).SelectItem(1));
    ASSERT_TRUE(Dismiss(choice, IDC_CHOOSE_PORT));
    EXPECT_EQ("", PrinterEndsOn("LPT2:"));
}

TEST_F(PortChoiceTest, CancelInTheParallelDialogInstallsNothing) {
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND choice = Install(kPortRowParallel, kParallelCaption);
    ASSERT_NE(choice, nullptr) << "no window \"" << kParallelCaption << "\": " << m_problem;
    ASSERT_TRUE(Dismiss(choice, IDC_DISMISS_PORT));
    EXPECT_EQ("", InstallUsableAgain());
    EXPECT_EQ(PrinterPorts(), m_printersBefore);
}

TEST_F(PortChoiceTest, TcpipDialogListsTheMonitorsPortsAndAddsOne) {
    ASSERT_NO_FATAL_FAILURE(UseTcpipMonitor({"IP_192.0.2.10", "IP_192.0.2.11"}));
    ASSERT_TRUE(SetTcpipTestMonitorText("TestNextPort", "IP_192.0.2.12"));
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND choice = Install(kPortRowTcpip, kTcpipCaption);
    ASSERT_NE(choice, nullptr) << "no window \"" << kTcpipCaption << "\": " << m_problem;
    const RemoteListView list(GetDlgItem(choice, IDC_PORT_LIST), m_session->Id());
    EXPECT_EQ(list.ItemCount(), 2);
    PostMessageA(GetDlgItem(choice, IDC_ADD_PORT), BM_CLICK, 0, 0);
    EXPECT_EQ("", m_session->WaitFor([&] { return list.ItemCount() == 3; }, kChoiceTimeoutMs,
                                     {kTcpipCaption}));
    EXPECT_EQ(list.ItemText(2, 0), "IP_192.0.2.12");
    ASSERT_TRUE(list.SelectItem(1));
    ASSERT_TRUE(Dismiss(choice, IDC_CHOOSE_PORT));
    EXPECT_EQ("", PrinterEndsOn("IP_192.0.2.11"));
}

TEST_F(PortChoiceTest, NoTcpipPortAndARefusingMonitorCancelWithoutAMessage) {
    ASSERT_NO_FATAL_FAILURE(UseTcpipMonitor({}));
    ASSERT_TRUE(SetTcpipTestMonitorValue("TestAddError", ERROR_NOT_SUPPORTED));
    ASSERT_TRUE(SetTcpipTestMonitorText("TestAddCalled", ""));
    ASSERT_NO_FATAL_FAILURE(Start());
    // No dialog of the installer's own is expected: the monitor refuses
    // at once and the choice is cancelled.
    HWND choice = Install(kPortRowTcpip, kTcpipCaption);
    EXPECT_EQ(choice, nullptr);
    EXPECT_FALSE(TcpipTestMonitorText("TestAddCalled").empty()) << "no port was asked for";
    EXPECT_EQ("", InstallUsableAgain());
    EXPECT_EQ(FindProcessWindow(m_session->Id(), "installer"), nullptr) << "a message box showed";
    EXPECT_EQ(PrinterPorts(), m_printersBefore);
}

}  // namespace
}  // namespace e2e
