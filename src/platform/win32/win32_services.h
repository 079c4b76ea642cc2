// The service control manager through advapi32.
#pragma once

#include "platform/services.h"

namespace plat::win32 {

class Win32Services final : public IServices {
public:
    Handle OpenSCManagerA(const char* machine, const char* database,
                          std::uint32_t access) override;
    Handle OpenServiceA(Handle scm, const char* serviceName, std::uint32_t access) override;
    bool QueryServiceStatus(Handle service, ServiceStatus* status) override;
    bool ControlService(Handle service, std::uint32_t control, ServiceStatus* status) override;
    bool StartServiceA(Handle service) override;
    bool CloseServiceHandle(Handle handle) override;
};

}  // namespace plat::win32
