// The simulated service control manager. State changes take simulated time:
// a start goes through START_PENDING, a stop through STOP_PENDING, and each
// ends after a delay on the virtual clock. Every QueryServiceStatus moves the
// clock on by a small step, so a poll loop without sleeps still progresses.
// Starts with "Spooler" stopped, as in a fresh Wine prefix.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "platform/services.h"
#include "platform/sim/sim_context.h"
#include "platform/sim/sim_handles.h"
#include "platform/sim/sim_text.h"

namespace sim {

constexpr std::uint32_t kServiceQueryStatus = 0x0004;
constexpr std::uint32_t kServiceStart = 0x0010;
constexpr std::uint32_t kServiceStop = 0x0020;
constexpr std::uint32_t kServiceControlInterrogate = 4;

class SimServices final : public plat::IServices {
public:
    // Told when a service has reached RUNNING or STOPPED; called with the
    // simulation's lock held.
    using StateListener = std::function<void(const std::string& service, std::uint32_t state)>;

    explicit SimServices(SimContext& context);

    plat::Handle OpenSCManagerA(const char* machine, const char* database,
                                std::uint32_t access) override;
    plat::Handle OpenServiceA(plat::Handle scm, const char* serviceName,
                              std::uint32_t access) override;
    bool QueryServiceStatus(plat::Handle service, plat::ServiceStatus* status) override;
    bool ControlService(plat::Handle service, std::uint32_t control,
                        plat::ServiceStatus* status) override;
    bool StartServiceA(plat::Handle service) override;
    bool CloseServiceHandle(plat::Handle handle) override;

    // Test knobs and views (no hook, no faults).
    void AddService(const std::string& name, std::uint32_t state = plat::kServiceStopped);
    // Puts a service into `state` at once; a pending state then ends after
    // the usual delay unless the service is stuck. Tells no listener.
    void SetState(const std::string& name, std::uint32_t state);
    // The state now, pending transitions that are due carried out.
    std::uint32_t State(const std::string& name);
    // A stuck service never leaves a pending state.
    void SetStuck(const std::string& name, bool stuck);
    void SetStartDelay(std::uint32_t ms);
    void SetStopDelay(std::uint32_t ms);
    void SetQueryStep(std::uint32_t ms);
    // Accepted StartServiceA and stop controls per service.
    int StartCount(const std::string& name) const;
    int StopCount(const std::string& name) const;
    void SetStateListener(StateListener listener);
    std::size_t OpenHandleCount() const;

private:
    struct Service {
        std::uint32_t state = plat::kServiceStopped;
        std::uint64_t pendingUntil = 0;
        std::uint32_t checkPoint = 0;
        bool stuck = false;
        int starts = 0;
        int stops = 0;
    };
    struct OpenHandle {
        bool isManager = false;
        std::string service;
        std::uint32_t access = 0;
    };

    Service* FindService(const std::string& name);
    void Settle(const std::string& name, Service& service);
    void Fill(const Service& service, plat::ServiceStatus* status) const;
    // The service behind a service handle, or nullptr (last error set).
    Service* ServiceFor(plat::Handle handle, std::uint32_t neededAccess, std::string* name);
    bool Fail(std::uint32_t error);

    SimContext& m_context;
    std::map<std::string, Service, ILess> m_services;
    HandleTable<OpenHandle> m_handles{kServiceHandleBase};
    std::uint32_t m_startDelay = 50;
    std::uint32_t m_stopDelay = 10;
    std::uint32_t m_queryStep = 1;
    StateListener m_listener;
};

}  // namespace sim
