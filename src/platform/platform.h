// Everything the installer reaches outside itself, handed to the logic by
// reference. Implemented by platform/win32 (the real program) and
// platform/sim (the simulated Windows of the native tests).
#pragma once

#include "platform/files.h"
#include "platform/modules.h"
#include "platform/registry.h"
#include "platform/serial.h"
#include "platform/services.h"
#include "platform/spooler.h"
#include "platform/system.h"
#include "platform/ui.h"

namespace plat {

struct Platform {
    ISpooler& spooler;
    IRegistry& registry;
    IServices& services;
    IFiles& files;
    ISystem& system;
    IModules& modules;
    IUserInterface& ui;
    ISerial& serial;
};

}  // namespace plat
