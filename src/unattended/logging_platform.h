// The platform as an unattended run hands it to the installer: the same
// calls to the same Windows, and every call of the spooler, the registry,
// the service manager, the files, the library loader, the system and the
// serial ports that fails noted in the run's log with its error. The last
// error stays as the call left it.
#pragma once

#include <memory>

#include "platform/platform.h"
#include "unattended/run_log.h"

class CLoggingPlatform {
public:
    // `ui` replaces the inner platform's user interface.
    CLoggingPlatform(plat::Platform& inner, plat::IUserInterface& ui, CRunLog& log);
    ~CLoggingPlatform();
    CLoggingPlatform(const CLoggingPlatform&) = delete;
    CLoggingPlatform& operator=(const CLoggingPlatform&) = delete;

    // Valid while this object lives.
    plat::Platform& platform() { return *m_platform; }

private:
    class Notes;
    class Spooler;
    class Registry;
    class Services;
    class Files;
    class Modules;
    class System;
    class Serial;

    std::unique_ptr<Notes> m_notes;
    std::unique_ptr<Spooler> m_spooler;
    std::unique_ptr<Registry> m_registry;
    std::unique_ptr<Services> m_services;
    std::unique_ptr<Files> m_files;
    std::unique_ptr<Modules> m_modules;
    std::unique_ptr<System> m_system;
    std::unique_ptr<Serial> m_serial;
    std::unique_ptr<plat::Platform> m_platform;
};
