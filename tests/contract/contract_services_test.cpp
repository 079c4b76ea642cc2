// The service control manager as the spooler control relies on it: the
// "Spooler" service started and stopped, its states polled.
#include <cstdint>

#include "contract_support.h"

namespace contract {
namespace {

class ServicesContract : public ContractTest {
protected:
    void SetUp() override {
        ContractTest::SetUp();
        m_scm = Svc().OpenSCManagerA(nullptr, "ServicesActive", plat::kScManagerAllAccess);
        ASSERT_NE(m_scm, nullptr) << "last error " << System().GetLastError();
    }
    void TearDown() override {
        if (m_service != nullptr) Svc().CloseServiceHandle(m_service);
        if (m_scm != nullptr) Svc().CloseServiceHandle(m_scm);
        ContractTest::TearDown();
    }
    plat::IServices& Svc() { return P().services; }

    // Polls until the service reports `wanted`; bounded, with short sleeps.
    bool WaitFor(std::uint32_t wanted) {
        for (int i = 0; i < 1000; ++i) {
            plat::ServiceStatus status;
            if (Svc().QueryServiceStatus(m_service, &status) && status.currentState == wanted) return true;
            System().Sleep(10);
        }
        return false;
    }
    std::uint32_t State() {
        plat::ServiceStatus status;
        return Svc().QueryServiceStatus(m_service, &status) ? status.currentState : 0;
    }

    plat::Handle m_scm = nullptr;
    plat::Handle m_service = nullptr;
};

TEST_F(ServicesContract, UnknownServiceDoesNotExist) {
    auto opened = Call(System(), [&] {
        return Svc().OpenServiceA(m_scm, "ContractNoSuchService", plat::kServiceAllAccess);
    });
    EXPECT_FAILED_WITH(opened, nullptr, plat::err::kServiceDoesNotExist);
}

TEST_F(ServicesContract, SpoolerStartsAndStops) {
    m_service = Svc().OpenServiceA(m_scm, "Spooler", plat::kServiceAllAccess);
    ASSERT_NE(m_service, nullptr) << "last error " << System().GetLastError();

    // From a known state: stopped.
    if (State() != plat::kServiceStopped) {
        plat::ServiceStatus status;
        Svc().ControlService(m_service, plat::kServiceControlStop, &status);
        ASSERT_TRUE(WaitFor(plat::kServiceStopped));
    }
    plat::ServiceStatus status;
    auto stopAgain = Call(System(), [&] {
        return Svc().ControlService(m_service, plat::kServiceControlStop, &status);
    });
    EXPECT_FAILED_WITH(stopAgain, false, plat::err::kServiceNotActive);

    auto started = Call(System(), [&] { return Svc().StartServiceA(m_service); });
    ASSERT_TRUE(started.value) << Describe(started);
    const std::uint32_t afterStart = State();
    EXPECT_TRUE(afterStart == plat::kServiceStartPending || afterStart == plat::kServiceRunning) << afterStart;
    ASSERT_TRUE(WaitFor(plat::kServiceRunning));
    auto startAgain = Call(System(), [&] { return Svc().StartServiceA(m_service); });
    EXPECT_FAILED_WITH(startAgain, false, plat::err::kServiceAlreadyRunning);

    auto stopped = Call(System(), [&] {
        return Svc().ControlService(m_service, plat::kServiceControlStop, &status);
    });
    ASSERT_TRUE(stopped.value) << Describe(stopped);
    EXPECT_TRUE(status.currentState == plat::kServiceStopPending ||
                status.currentState == plat::kServiceStopped)
        << status.currentState;
    EXPECT_TRUE(WaitFor(plat::kServiceStopped));
}

TEST_F(ServicesContract, ClosedHandleIsInvalid) {
    plat::Handle service = Svc().OpenServiceA(m_scm, "Spooler", plat::kServiceAllAccess);
    ASSERT_NE(service, nullptr);
    EXPECT_TRUE(Svc().CloseServiceHandle(service));
    plat::ServiceStatus status;
    auto queried = Call(System(), [&] { return Svc().QueryServiceStatus(service, &status); });
    EXPECT_FAILED_WITH(queried, false, plat::err::kInvalidHandle);
}

}  // namespace
}  // namespace contract
