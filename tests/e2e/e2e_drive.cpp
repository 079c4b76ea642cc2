// Drives a running installer for run.sh, headless: waits for its start-up
// to end, takes a picture of it, closes it as a person would.
//
//   e2e_drive.exe wait-ready [SECONDS]   exit 0 once Install is enabled
//   e2e_drive.exe screenshot FILE.bmp    picture of the dialog
//   e2e_drive.exe close [SECONDS]        close box; exit 0 once the window is gone
//
// Exit status 1 when the dialog is not there or the wait ran out, 2 for
// wrong arguments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dialog_probe.h"
#include "installer_session.h"
#include "wait.h"
#include "window_capture.h"

namespace {

DWORD SecondsArgument(int argc, char** argv, DWORD fallback) {
    if (argc < 3) return fallback * 1000;
    const long seconds = std::strtol(argv[2], nullptr, 10);
    return seconds > 0 && seconds < 3600 ? static_cast<DWORD>(seconds) * 1000 : fallback * 1000;
}

HWND FindDialog() { return FindWindowA("#32770", e2e::kDialogCaption); }

int WaitReady(DWORD timeoutMs) {
    HWND dialog = nullptr;
    const bool ready = e2e::WaitUntil(
        [&] {
            dialog = FindDialog();
            return dialog != nullptr && IsWindowVisible(dialog) &&
                   e2e::ControlEnabled(dialog, e2e::kInstallButton);
        },
        timeoutMs, 100);
    if (!ready) {
        std::fprintf(stderr, "e2e_drive: the dialog %s within %lu s\n",
                     dialog ? "did not enable Install" : "did not appear",
                     static_cast<unsigned long>(timeoutMs / 1000));
        return 1;
    }
    const auto status = e2e::ReadWindowText(GetDlgItem(dialog, e2e::kStatusLine));
    std::printf("ready; status line: \"%s\"\n", status.value_or("").c_str());
    return 0;
}

int Screenshot(const char* path) {
    HWND dialog = FindDialog();
    if (dialog == nullptr) {
        std::fprintf(stderr, "e2e_drive: no dialog to capture\n");
        return 1;
    }
    const e2e::CaptureResult shot = e2e::CaptureWindow(dialog, path);
    if (!shot.saved) {
        std::fprintf(stderr, "e2e_drive: %s\n", shot.error.c_str());
        return 1;
    }
    return 0;
}

int Close(DWORD timeoutMs) {
    HWND dialog = FindDialog();
    if (dialog == nullptr) {
        std::fprintf(stderr, "e2e_drive: no dialog to close\n");
        return 1;
    }
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (!e2e::WaitUntil([&] { return IsWindow(dialog) == FALSE; }, timeoutMs, 100)) {
        std::fprintf(stderr, "e2e_drive: the dialog is still open\n");
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "wait-ready") == 0) {
        return WaitReady(SecondsArgument(argc, argv, 120));
    }
    if (argc == 3 && std::strcmp(argv[1], "screenshot") == 0) return Screenshot(argv[2]);
    if (argc >= 2 && std::strcmp(argv[1], "close") == 0) return Close(SecondsArgument(argc, argv, 30));
    std::fprintf(stderr, "usage: e2e_drive.exe wait-ready [SECONDS] | screenshot FILE.bmp | close [SECONDS]\n");
    return 2;
}
