// Service control manager calls, Win32 style: results plus last error.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace plat {

struct ServiceStatus {
    std::uint32_t serviceType = 0;
    std::uint32_t currentState = 0;
    std::uint32_t controlsAccepted = 0;
    std::uint32_t win32ExitCode = 0;
    std::uint32_t serviceSpecificExitCode = 0;
    std::uint32_t checkPoint = 0;
    std::uint32_t waitHint = 0;
};

constexpr std::uint32_t kServiceStopped = 1;
constexpr std::uint32_t kServiceStartPending = 2;
constexpr std::uint32_t kServiceStopPending = 3;
constexpr std::uint32_t kServiceRunning = 4;
constexpr std::uint32_t kServiceControlStop = 1;
constexpr std::uint32_t kScManagerAllAccess = 0xF003F;
constexpr std::uint32_t kServiceAllAccess = 0xF01FF;

// How the installer's RestartService brings a service into service: stop it
// (when it is not stopped) and start it again, or only start it when it is
// stopped.
enum class RestartMode : int { kRestart = 0, kEnsureRunning = 16 };

class IServices {
public:
    virtual ~IServices() = default;

    virtual Handle OpenSCManagerA(const char* machine, const char* database,
                                  std::uint32_t access) = 0;
    virtual Handle OpenServiceA(Handle scm, const char* serviceName, std::uint32_t access) = 0;
    virtual bool QueryServiceStatus(Handle service, ServiceStatus* status) = 0;
    virtual bool ControlService(Handle service, std::uint32_t control, ServiceStatus* status) = 0;
    virtual bool StartServiceA(Handle service) = 0;
    virtual bool CloseServiceHandle(Handle handle) = 0;
};

}  // namespace plat
