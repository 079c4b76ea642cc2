// The state of a Windows service as the service control manager reports it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace e2e {

// dwCurrentState of service `name` (SERVICE_STOPPED, SERVICE_RUNNING, ...),
// or nullopt with `error` set when it cannot be read.
std::optional<DWORD> QueryServiceState(const std::string& name, std::string* error);

// "STOPPED", "RUNNING", "START_PENDING", ... for messages.
std::string ServiceStateName(DWORD state);

}  // namespace e2e
