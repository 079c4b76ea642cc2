// Entry point of installer.exe: the common controls the dialog uses, the
// real Windows platform, then the application runs its dialog to the end.
#include "app/installer_app.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_windows.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The list view and progress bar classes are registered by comctl32;
    // the dialog cannot be created without them.
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES;
    ::InitCommonControlsEx(&icc);

    plat::win32::Win32Platform platform;
    CInstallerApp app(platform.platform());
    app.InitInstance();
    return 0;
}
