// The floor of the installer's start-up: a program that shows the
// installer's own dialog template (same caption, controls and manifest)
// with a usable Install button at once, and does nothing else. Cancel or
// the close box end it.
#include <windows.h>
#include <commctrl.h>

#include "resource.h"

namespace {

INT_PTR CALLBACK TrivialDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        EnableWindow(GetDlgItem(dialog, IDC_INSTALL), TRUE);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&icc);
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_INSTALLER_DIALOG), nullptr, TrivialDialogProc, 0);
    return 0;
}
