// Modal dialogs from the program's resources and registered messages.
#pragma once

#include "platform/ui.h"

namespace plat::win32 {

class Win32UserInterface final : public IUserInterface {
public:
    std::uint32_t RegisterWindowMessageA(const char* name) override;
    // Ownerless dialog from the program's own resources.
    std::intptr_t DialogBoxParamA(int templateId, IDialogHandler& handler) override;
};

}  // namespace plat::win32
