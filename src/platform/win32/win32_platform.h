// The real Windows behind the installer's platform seam: owns one adapter
// of each kind and hands them out together.
#pragma once

#include "platform/platform.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_modules.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_serial.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_spooler.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/win32_ui.h"

namespace plat::win32 {

class Win32Platform {
public:
    Win32Platform()
        : m_platform{m_spooler, m_registry, m_services, m_files, m_system, m_modules, m_ui,
                     m_serial} {}
    // The Platform refers to the members, so the owner stays where it is.
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    // Valid as long as this object lives.
    plat::Platform& platform() { return m_platform; }

private:
    Win32Spooler m_spooler;
    Win32Registry m_registry;
    Win32Services m_services;
    Win32Files m_files;
    Win32System m_system;
    Win32Modules m_modules;
    Win32UserInterface m_ui;
    Win32Serial m_serial;
    plat::Platform m_platform;
};

}  // namespace plat::win32
