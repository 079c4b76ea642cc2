#include "platform/sim/sim_services.h"

namespace sim {

namespace {
constexpr std::uint32_t kServiceWin32OwnProcess = 0x10;
constexpr std::uint32_t kServiceAcceptStop = 0x1;
constexpr std::uint32_t kErrorDatabaseDoesNotExist = 1065;
constexpr std::uint32_t kErrorInvalidServiceControl = 1052;
}  // namespace

SimServices::SimServices(SimContext& context) : m_context(context) {
    AddService("Spooler");
    AddService("PlugPlay", plat::kServiceRunning);
}

bool SimServices::Fail(std::uint32_t error) {
    SetThreadLastError(error);
    return false;
}

SimServices::Service* SimServices::FindService(const std::string& name) {
    auto it = m_services.find(name);
    return it == m_services.end() ? nullptr : &it->second;
}

void SimServices::Settle(const std::string& name, Service& service) {
    if (service.stuck) return;
    if (m_context.clock.NowMs() < service.pendingUntil) return;
    std::uint32_t reached = 0;
    if (service.state == plat::kServiceStartPending) reached = plat::kServiceRunning;
    if (service.state == plat::kServiceStopPending) reached = plat::kServiceStopped;
    if (reached == 0) return;
    service.state = reached;
    service.checkPoint = 0;
    if (m_listener) m_listener(name, reached);
}

void SimServices::Fill(const Service& service, plat::ServiceStatus* status) const {
    if (!status) return;
    *status = plat::ServiceStatus{};
    status->serviceType = kServiceWin32OwnProcess;
    status->currentState = service.state;
    status->controlsAccepted = service.state == plat::kServiceRunning ? kServiceAcceptStop : 0;
    const bool pending = service.state == plat::kServiceStartPending ||
                         service.state == plat::kServiceStopPending;
    status->checkPoint = pending ? service.checkPoint : 0;
    status->waitHint = pending ? 2000 : 0;
}

SimServices::Service* SimServices::ServiceFor(plat::Handle handle, std::uint32_t neededAccess,
                                              std::string* name) {
    OpenHandle* open = m_handles.Find(handle);
    if (!open || open->isManager) {
        Fail(plat::err::kInvalidHandle);
        return nullptr;
    }
    if ((open->access & neededAccess) != neededAccess) {
        Fail(plat::err::kAccessDenied);
        return nullptr;
    }
    Service* service = FindService(open->service);
    if (!service) {
        Fail(plat::err::kInvalidHandle);
        return nullptr;
    }
    *name = open->service;
    Settle(*name, *service);
    return service;
}

plat::Handle SimServices::OpenSCManagerA(const char* machine, const char* database,
                                         std::uint32_t access) {
    const std::string detail = std::string(database ? database : "") + " " + Hex(access);
    if (auto fault = m_context.faults.Enter("OpenSCManagerA", detail)) {
        Fail(*fault);
        return nullptr;
    }
    SimLock lock(m_context.mutex);
    if (machine && *machine) {
        Fail(plat::err::kInvalidParameter);  // only the local machine is simulated
        return nullptr;
    }
    if (database && std::string(database) != "ServicesActive") {
        Fail(kErrorDatabaseDoesNotExist);
        return nullptr;
    }
    return m_handles.Add(OpenHandle{true, "", access});
}

plat::Handle SimServices::OpenServiceA(plat::Handle scm, const char* serviceName,
                                       std::uint32_t access) {
    const std::string detail = std::string(serviceName ? serviceName : "") + " " + Hex(access);
    if (auto fault = m_context.faults.Enter("OpenServiceA", detail)) {
        Fail(*fault);
        return nullptr;
    }
    SimLock lock(m_context.mutex);
    OpenHandle* manager = m_handles.Find(scm);
    if (!manager || !manager->isManager) {
        Fail(plat::err::kInvalidHandle);
        return nullptr;
    }
    if (!serviceName) {
        Fail(plat::err::kInvalidParameter);
        return nullptr;
    }
    auto it = m_services.find(serviceName);
    if (it == m_services.end()) {
        Fail(plat::err::kServiceDoesNotExist);
        return nullptr;
    }
    return m_handles.Add(OpenHandle{false, it->first, access});
}

bool SimServices::QueryServiceStatus(plat::Handle service, plat::ServiceStatus* status) {
    if (auto fault = m_context.faults.Enter("QueryServiceStatus")) return Fail(*fault);
    SimLock lock(m_context.mutex);
    m_context.clock.Advance(m_queryStep);
    std::string name;
    Service* found = ServiceFor(service, kServiceQueryStatus, &name);
    if (!found) return false;
    if (!status) return Fail(plat::err::kInvalidParameter);
    if (found->state == plat::kServiceStartPending || found->state == plat::kServiceStopPending) {
        ++found->checkPoint;
    }
    Fill(*found, status);
    return true;
}

bool SimServices::ControlService(plat::Handle service, std::uint32_t control,
                                 plat::ServiceStatus* status) {
    if (auto fault = m_context.faults.Enter("ControlService", std::to_string(control))) {
        return Fail(*fault);
    }
    SimLock lock(m_context.mutex);
    const std::uint32_t needed = control == plat::kServiceControlStop ? kServiceStop : 0;
    std::string name;
    Service* found = ServiceFor(service, needed, &name);
    if (!found) return false;
    if (control == kServiceControlInterrogate) {
        Fill(*found, status);
        return true;
    }
    if (control != plat::kServiceControlStop) return Fail(kErrorInvalidServiceControl);
    // Windows reports the status also when it refuses the control.
    Fill(*found, status);
    if (found->state == plat::kServiceStopped) return Fail(plat::err::kServiceNotActive);
    if (found->state != plat::kServiceRunning) return Fail(plat::err::kServiceCannotAcceptCtrl);
    found->state = plat::kServiceStopPending;
    found->pendingUntil = m_context.clock.NowMs() + m_stopDelay;
    found->checkPoint = 0;
    ++found->stops;
    Fill(*found, status);
    return true;
}

bool SimServices::StartServiceA(plat::Handle service) {
    if (auto fault = m_context.faults.Enter("StartServiceA")) return Fail(*fault);
    SimLock lock(m_context.mutex);
    std::string name;
    Service* found = ServiceFor(service, kServiceStart, &name);
    if (!found) return false;
    // Anything but STOPPED counts as running, pending states included.
    if (found->state != plat::kServiceStopped) return Fail(plat::err::kServiceAlreadyRunning);
    found->state = plat::kServiceStartPending;
    found->pendingUntil = m_context.clock.NowMs() + m_startDelay;
    found->checkPoint = 0;
    ++found->starts;
    return true;
}

bool SimServices::CloseServiceHandle(plat::Handle handle) {
    if (auto fault = m_context.faults.Enter("CloseServiceHandle")) return Fail(*fault);
    SimLock lock(m_context.mutex);
    if (!m_handles.Remove(handle)) return Fail(plat::err::kInvalidHandle);
    return true;
}

void SimServices::AddService(const std::string& name, std::uint32_t state) {
    SimLock lock(m_context.mutex);
    Service service;
    service.state = state;
    m_services[name] = service;
}

void SimServices::SetState(const std::string& name, std::uint32_t state) {
    SimLock lock(m_context.mutex);
    if (Service* service = FindService(name)) {
        service->state = state;
        service->pendingUntil = m_context.clock.NowMs() +
                                (state == plat::kServiceStopPending ? m_stopDelay : m_startDelay);
        service->checkPoint = 0;
    }
}

std::uint32_t SimServices::State(const std::string& name) {
    SimLock lock(m_context.mutex);
    auto it = m_services.find(name);
    if (it == m_services.end()) return 0;
    Settle(it->first, it->second);
    return it->second.state;
}

void SimServices::SetStuck(const std::string& name, bool stuck) {
    SimLock lock(m_context.mutex);
    if (Service* service = FindService(name)) service->stuck = stuck;
}

void SimServices::SetStartDelay(std::uint32_t ms) {
    SimLock lock(m_context.mutex);
    m_startDelay = ms;
}

void SimServices::SetStopDelay(std::uint32_t ms) {
    SimLock lock(m_context.mutex);
    m_stopDelay = ms;
}

void SimServices::SetQueryStep(std::uint32_t ms) {
    SimLock lock(m_context.mutex);
    m_queryStep = ms;
}

int SimServices::StartCount(const std::string& name) const {
    SimLock lock(m_context.mutex);
    auto it = m_services.find(name);
    return it == m_services.end() ? 0 : it->second.starts;
}

int SimServices::StopCount(const std::string& name) const {
    SimLock lock(m_context.mutex);
    auto it = m_services.find(name);
    return it == m_services.end() ? 0 : it->second.stops;
}

void SimServices::SetStateListener(StateListener listener) {
    SimLock lock(m_context.mutex);
    m_listener = std::move(listener);
}

std::size_t SimServices::OpenHandleCount() const {
    SimLock lock(m_context.mutex);
    return m_handles.Size();
}

}  // namespace sim
