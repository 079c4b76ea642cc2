// Bringing the spooler into the wanted state, from a thread other than the
// dialog's as the start-up worker does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/box_texts.h"
#include "installer_harness.h"

namespace {

using namespace std::chrono_literals;

using enum plat::RestartMode;

struct ServiceCase {
    const char* what;
    plat::RestartMode mode;
    std::uint32_t state;
    int starts;
    int stops;
    std::vector<std::string> order;  // start and stop requests, in order
};

class RestartServiceModes : public testing::TestWithParam<ServiceCase> {};

TEST_P(RestartServiceModes, StartsAndStopsAsTheModeAsks) {
    const ServiceCase& c = GetParam();
    InstallerHarness h;
    sim::SimDialog& dlg = h.Start();
    ASSERT_TRUE(h.WaitStartup());
    h.win.services().SetState("Spooler", c.state);
    const int starts = h.win.services().StartCount("Spooler");
    const int stops = h.win.services().StopCount("Spooler");
    std::vector<std::string> order;
    h.win.faults().SetCallHook([&order](std::string_view op) {
        // Repeated requests count once: a stop refused while the service
        // starts is asked for again.
        if ((op == "StartServiceA" || op == "ControlService") &&
            (order.empty() || order.back() != op)) {
            order.emplace_back(op);
        }
    });

    h.dialog->RestartService("Spooler", c.mode);

    h.win.faults().SetCallHook(nullptr);
    EXPECT_EQ(h.win.services().StartCount("Spooler") - starts, c.starts) << c.what;
    EXPECT_EQ(h.win.services().StopCount("Spooler") - stops, c.stops) << c.what;
    EXPECT_EQ(order, c.order) << c.what;
    if (c.starts > 0 || c.stops > 0) {
        EXPECT_EQ(h.win.services().State("Spooler"), plat::kServiceRunning) << c.what;
    }
    EXPECT_TRUE(dlg.MessageBoxLog().empty()) << c.what;
    EXPECT_EQ(h.win.services().OpenHandleCount(), 0u) << "every handle is closed";
}

INSTANTIATE_TEST_SUITE_P(
    ModesAndStates, RestartServiceModes,
    testing::Values(
        ServiceCase{"ensure, running", kEnsureRunning, plat::kServiceRunning, 0, 0, {}},
        ServiceCase{"ensure, stopped", kEnsureRunning, plat::kServiceStopped, 1, 0, {"StartServiceA"}},
        ServiceCase{"ensure, start pending", kEnsureRunning, plat::kServiceStartPending, 0, 0, {}},
        ServiceCase{"ensure, stop pending", kEnsureRunning, plat::kServiceStopPending, 0, 0, {}},
        ServiceCase{"restart, running", kRestart, plat::kServiceRunning, 1, 1,
                    {"ControlService", "StartServiceA"}},
        ServiceCase{"restart, stopped", kRestart, plat::kServiceStopped, 1, 0, {"StartServiceA"}},
        ServiceCase{"restart, start pending", kRestart, plat::kServiceStartPending, 1, 1,
                    {"ControlService", "StartServiceA"}}));

TEST(RestartService, UnreadableStatusIsReportedOnceAndNothingIsTried) {
    for (const char* failing : {"OpenSCManagerA", "OpenServiceA", "QueryServiceStatus"}) {
        SCOPED_TRACE(failing);
        InstallerHarness h;
        sim::SimDialog& dlg = h.Start();
        ASSERT_TRUE(h.WaitStartup());
        h.win.services().SetState("Spooler", plat::kServiceStopped);
        h.win.faults().FailAlways(failing, plat::err::kAccessDenied);
        std::thread worker([&] { h.dialog->RestartService("Spooler", kRestart); });
        auto box = dlg.WaitMessageBox();
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->text, kSpoolerStatusUnknownText);
        EXPECT_EQ(box->caption, "installer");
        EXPECT_EQ(box->type, plat::kMbIconInformation);
        dlg.AnswerMessageBox(plat::kIdOk);
        worker.join();
        h.win.faults().ClearFaults();
        EXPECT_EQ(h.win.services().StartCount("Spooler"), 1) << "only the start-up's own start";
        EXPECT_EQ(dlg.MessageBoxLog().size(), 1u);
    }
}

TEST(RestartService, AServiceThatNeverArrivesEndsTheWaitAndSaysSo) {
    InstallerHarness h;
    sim::SimDialog& dlg = h.Start();
    ASSERT_TRUE(h.WaitStartup());
    h.win.services().SetState("Spooler", plat::kServiceStopPending);
    h.win.services().SetStuck("Spooler", true);
    const std::uint32_t before = h.win.system().GetTickCount();
    const int queries = h.win.faults().CallCount("QueryServiceStatus");
    std::thread worker([&] { h.dialog->RestartService("Spooler", kRestart); });
    auto box = dlg.WaitMessageBox(10s);
    ASSERT_TRUE(box.has_value());
    EXPECT_NE(box->text.find("Spooler"), std::string::npos);
    EXPECT_EQ(box->type, plat::kMbIconWarning);
    dlg.AnswerMessageBox(plat::kIdOk);
    worker.join();
    const std::uint32_t waited = h.win.system().GetTickCount() - before;
    EXPECT_GE(waited, CInstallerDlg::kServiceWaitMs);
    EXPECT_LT(waited, 2 * CInstallerDlg::kServiceWaitMs);
    EXPECT_LE(h.win.faults().CallCount("QueryServiceStatus") - queries,
              static_cast<int>(waited / CInstallerDlg::kServicePollMs) + 2)
        << "a pause between the queries";
    EXPECT_EQ(h.win.services().StartCount("Spooler"), 1) << "no start while it never stopped";
    EXPECT_TRUE(dlg.IsEnabled(IDC_INSTALL)) << "the installer stays usable";
}

// Wine's spooler stops a few milliseconds after the request and starts
// before StartServiceA returns: a restart then reads the state once to
// decide and once per wait, without sitting out a full pause between reads.
TEST(RestartService, AQuickRestartReadsTheStateOncePerWait) {
    InstallerHarness h;
    h.Start();
    ASSERT_TRUE(h.WaitStartup());
    h.win.services().SetState("Spooler", plat::kServiceRunning);
    h.win.services().SetStopDelay(5);
    h.win.services().SetStartDelay(0);
    int queries = 0;
    h.win.faults().SetCallHook([&queries](std::string_view op) {
        if (op == "QueryServiceStatus") ++queries;
    });
    const std::uint32_t before = h.win.system().GetTickCount();

    h.dialog->RestartService("Spooler", kRestart);

    h.win.faults().SetCallHook(nullptr);
    EXPECT_EQ(queries, 3);
    EXPECT_LT(h.win.system().GetTickCount() - before, CInstallerDlg::kServicePollMs);
    EXPECT_EQ(h.win.services().State("Spooler"), plat::kServiceRunning);
    EXPECT_EQ(h.win.services().StopCount("Spooler"), 1);
}

TEST(RestartService, StartUpStartsAStoppedSpooler) {
    InstallerHarness h;
    ASSERT_EQ(h.win.services().State("Spooler"), plat::kServiceStopped);
    h.Start();
    ASSERT_TRUE(h.WaitStartup());
    EXPECT_EQ(h.win.services().State("Spooler"), plat::kServiceRunning);
    EXPECT_EQ(h.win.services().StartCount("Spooler"), 1);
}

}  // namespace
