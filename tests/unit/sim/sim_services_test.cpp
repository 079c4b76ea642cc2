// The simulated service manager: state changes take simulated time.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/sim/sim_windows.h"

namespace {

class SimServicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_scm = Svc().OpenSCManagerA(nullptr, nullptr, plat::kScManagerAllAccess);
        m_spooler = Svc().OpenServiceA(m_scm, "spooler", plat::kServiceAllAccess);
        ASSERT_NE(m_spooler, nullptr);
    }
    void TearDown() override {
        Svc().CloseServiceHandle(m_spooler);
        Svc().CloseServiceHandle(m_scm);
        EXPECT_EQ(Svc().OpenHandleCount(), 0u);
    }
    sim::SimServices& Svc() { return m_win.services(); }
    std::uint32_t Query() {
        plat::ServiceStatus status;
        EXPECT_TRUE(Svc().QueryServiceStatus(m_spooler, &status));
        return status.currentState;
    }

    sim::SimWindows m_win;
    plat::Handle m_scm = nullptr;
    plat::Handle m_spooler = nullptr;
};

TEST_F(SimServicesTest, StartTakesTheStartDelayOfSimulatedTime) {
    Svc().SetStartDelay(100);
    Svc().SetQueryStep(0);
    ASSERT_TRUE(Svc().StartServiceA(m_spooler));
    EXPECT_EQ(Query(), plat::kServiceStartPending);
    m_win.system().Sleep(99);
    EXPECT_EQ(Query(), plat::kServiceStartPending);
    m_win.system().Sleep(1);
    EXPECT_EQ(Query(), plat::kServiceRunning);
    EXPECT_EQ(Svc().StartCount("Spooler"), 1);
}

TEST_F(SimServicesTest, PollingWithoutSleepsStillProgresses) {
    ASSERT_TRUE(Svc().StartServiceA(m_spooler));
    int polls = 0;
    while (Query() != plat::kServiceRunning && polls < 1000) ++polls;
    EXPECT_LT(polls, 1000);
    EXPECT_GT(polls, 0);
}

TEST_F(SimServicesTest, SleepDoesNotReallyWait) {
    const auto start = std::chrono::steady_clock::now();
    const std::uint32_t ticks = m_win.system().GetTickCount();
    m_win.system().Sleep(3600 * 1000);
    EXPECT_EQ(m_win.system().GetTickCount() - ticks, 3600u * 1000u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(SimServicesTest, StuckServiceNeverLeavesItsPendingState) {
    Svc().SetStuck("Spooler", true);
    ASSERT_TRUE(Svc().StartServiceA(m_spooler));
    m_win.system().Sleep(1000000);
    EXPECT_EQ(Query(), plat::kServiceStartPending);
    plat::ServiceStatus status;
    m_win.system().SetLastError(0);
    EXPECT_FALSE(Svc().ControlService(m_spooler, plat::kServiceControlStop, &status));
    EXPECT_EQ(m_win.system().GetLastError(), plat::err::kServiceCannotAcceptCtrl);
    EXPECT_EQ(status.currentState, plat::kServiceStartPending);
    Svc().SetStuck("Spooler", false);
    m_win.system().Sleep(100);
    EXPECT_EQ(Query(), plat::kServiceRunning);
}

TEST_F(SimServicesTest, StopOfARunningServicePassesThroughStopPending) {
    Svc().SetState("Spooler", plat::kServiceRunning);
    Svc().SetQueryStep(0);
    plat::ServiceStatus status;
    ASSERT_TRUE(Svc().ControlService(m_spooler, plat::kServiceControlStop, &status));
    EXPECT_EQ(status.currentState, plat::kServiceStopPending);
    m_win.system().Sleep(10);
    EXPECT_EQ(Query(), plat::kServiceStopped);
    EXPECT_EQ(Svc().StopCount("Spooler"), 1);
}

TEST_F(SimServicesTest, HandleWithoutTheRightAccessIsRefused) {
    plat::Handle queryOnly = Svc().OpenServiceA(m_scm, "Spooler", sim::kServiceQueryStatus);
    m_win.system().SetLastError(0);
    EXPECT_FALSE(Svc().StartServiceA(queryOnly));
    EXPECT_EQ(m_win.system().GetLastError(), plat::err::kAccessDenied);
    EXPECT_FALSE(Svc().StartServiceA(m_scm));  // a manager handle is no service handle
    EXPECT_EQ(m_win.system().GetLastError(), plat::err::kInvalidHandle);
    Svc().CloseServiceHandle(queryOnly);
}

}  // namespace
