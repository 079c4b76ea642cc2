// Modal dialogs from the program's resources and registered messages.
#pragma once

#include "platform/ui.h"
#include "platform/win32/win32_dialog_window.h"

namespace plat::win32 {

class Win32UserInterface final : public IUserInterface {
public:
    std::uint32_t RegisterWindowMessageA(const char* name) override;
    // Ownerless dialog from the program's own resources. Its window object
    // stays valid (and inert) until this object is destroyed.
    std::intptr_t DialogBoxParamA(int templateId, IDialogHandler& handler) override;
    void KeepDialogsHidden(bool hidden) override;
    int MessageBoxA(const std::string& text, const std::string& caption,
                    std::uint32_t type) override;

private:
    Win32DialogWindows m_windows;
};

}  // namespace plat::win32
