// Entry point of installer.exe: the common controls the dialog uses, the
// real Windows platform, then the program runs: the dialog as a person uses
// it, or the request of its command line.
#include "platform/win32/win32_command_line_host.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_windows.h"
#include "unattended/program.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    // The list view and progress bar classes are registered by comctl32;
    // the dialog cannot be created without them.
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES;
    ::InitCommonControlsEx(&icc);

    plat::win32::Win32Platform platform;
    plat::win32::Win32CommandLineHost host;
    return RunProgram(platform.platform(), host, commandLine != nullptr ? commandLine : "");
}
