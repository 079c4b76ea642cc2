#include "platform/win32/win32_ui.h"

#include "platform/win32/win32_dialog_window.h"

namespace plat::win32 {

std::uint32_t Win32UserInterface::RegisterWindowMessageA(const char* name) {
    return ::RegisterWindowMessageA(name);
}

std::intptr_t Win32UserInterface::DialogBoxParamA(int templateId, IDialogHandler& handler) {
    return m_windows.Run(templateId, nullptr, handler);
}

void Win32UserInterface::KeepDialogsHidden(bool hidden) { m_windows.SetHidden(hidden); }

int Win32UserInterface::MessageBoxA(const std::string& text, const std::string& caption,
                                    std::uint32_t type) {
    return ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), type);
}

}  // namespace plat::win32
