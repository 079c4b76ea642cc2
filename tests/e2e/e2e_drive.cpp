// Drives a running installer for run.sh, headless: waits for its start-up
// to end, installs the chosen driver, takes a picture of it, closes it as a
// person would.
//
//   e2e_drive.exe add-usb-port NAME      a USB port for the spooler, and the
//                                        registry key Windows keeps the
//                                        default printer in
//   e2e_drive.exe wait-ready [SECONDS]   exit 0 once Install is enabled
//   e2e_drive.exe choose-driver NAME     picks NAME in the driver list
//   e2e_drive.exe choose-port-row ROW    selects that row of the port-type list
//   e2e_drive.exe install [SECONDS]      Install; exit 0 once the button reads
//                                        "&Finish", printing what was installed
//   e2e_drive.exe screenshot FILE.bmp    picture of the dialog
//   e2e_drive.exe finish [SECONDS]       "&Finish"; exit 0 once the window is gone
//   e2e_drive.exe close [SECONDS]        close box; exit 0 once the window is gone
//
// Exit status 1 when the dialog is not there, the wait ran out or the
// installer shows a box no step expects (its caption and text are printed),
// 2 for wrong arguments.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "app/box_texts.h"
#include "combo_probe.h"
#include "dialog_probe.h"
#include "installer_session.h"
#include "printer_probe.h"
#include "remote_list_view.h"
#include "wait.h"
#include "window_capture.h"

namespace {

constexpr char kSerialPromptCaption[] = "Prompt(automatically select the available serial port) ";
// The status lines an installation ends with, by port kind; once the
// serial prompt was answered, only the probe's own endings count, as the
// serial installation's "The current printer port is" comes before it.
constexpr const char* kLastStatuses[] = {kCompletedStatus,
                                         "The available printer port:", "Unable to detect",
                                         "The current printer port is"};
constexpr const char* kProbeLastStatuses[] = {"The available printer port:", "Unable to detect"};
constexpr char kWindowsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";

DWORD SecondsArgument(int argc, char** argv, DWORD fallback) {
    if (argc < 3) return fallback * 1000;
    const long seconds = std::strtol(argv[2], nullptr, 10);
    return seconds > 0 && seconds < 3600 ? static_cast<DWORD>(seconds) * 1000 : fallback * 1000;
}

HWND FindDialog() { return FindWindowA("#32770", e2e::kDialogCaption); }

DWORD ProcessOf(HWND window) {
    DWORD id = 0;
    if (window != nullptr) GetWindowThreadProcessId(window, &id);
    return id;
}

// A box of the installer's whose caption is none of `expected` (nor the
// dialog's), described; "" when there is none.
std::string UnexpectedBox(HWND dialog, std::vector<std::string> expected) {
    expected.push_back(e2e::kDialogCaption);
    const auto box = e2e::FindUnexpectedBox(ProcessOf(dialog), expected);
    return box ? "the installer shows " + e2e::Describe(*box) : "";
}

int WaitReady(DWORD timeoutMs) {
    HWND dialog = nullptr;
    std::string box;
    const bool ready = e2e::WaitUntil(
        [&] {
            dialog = FindDialog();
            if (dialog != nullptr && !(box = UnexpectedBox(dialog, {})).empty()) return true;
            return dialog != nullptr && IsWindowVisible(dialog) &&
                   e2e::ControlEnabled(dialog, IDC_INSTALL);
        },
        timeoutMs, 100);
    if (!box.empty()) {
        std::fprintf(stderr, "e2e_drive: %s\n", box.c_str());
        return 1;
    }
    if (!ready) {
        std::fprintf(stderr, "e2e_drive: the dialog %s within %lu s\n",
                     dialog ? "did not enable Install" : "did not appear",
                     static_cast<unsigned long>(timeoutMs / 1000));
        return 1;
    }
    const auto status = e2e::ReadWindowText(GetDlgItem(dialog, IDC_STATUS));
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

int AddUsbPort(const char* name) {
    HKEY key = nullptr;
    bool ok = RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports",
                              0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS &&
              RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1) ==
                  ERROR_SUCCESS;
    if (key != nullptr) RegCloseKey(key);
    key = nullptr;
    ok = ok && RegCreateKeyExA(HKEY_CURRENT_USER, kWindowsKey, 0, nullptr, 0, KEY_SET_VALUE,
                               nullptr, &key, nullptr) == ERROR_SUCCESS;
    if (key != nullptr) RegCloseKey(key);
    if (!ok) std::fprintf(stderr, "e2e_drive: could not add the port %s\n", name);
    return ok ? 0 : 1;
}

// The environment the spooler registered `driver` for, or "" when none.
std::string DriverEnvironment(const std::string& driver) {
    for (const char* environment : {"Windows x64", "Windows NT x86"}) {
        const std::string key = std::string("SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\") +
                                environment + "\\Drivers\\Version-3\\" + driver;
        if (e2e::ReadRegistryString(HKEY_LOCAL_MACHINE, key, "Driver")) return environment;
    }
    return "";
}

int Install(DWORD timeoutMs) {
    HWND dialog = FindDialog();
    if (dialog == nullptr || !e2e::ControlEnabled(dialog, IDC_INSTALL)) {
        std::fprintf(stderr, "e2e_drive: no dialog ready to install\n");
        return 1;
    }
    HWND button = GetDlgItem(dialog, IDC_INSTALL);
    const std::string printer = e2e::ReadWindowText(GetDlgItem(dialog, IDC_PRINTER_NAME)).value_or("");
    PostMessageA(button, BM_CLICK, 0, 0);
    // Nobody plays a USB printer here: when no USB port answers, the
    // installation goes on without it, as the box offers. The serial prompt
    // is answered "&Yes" at its preselected rate; the probe that follows
    // goes on after the button reads "&Finish", until its last status. Any
    // other box ends the wait at once.
    std::string unexpected;
    bool probing = false;
    const bool finished = e2e::WaitUntil(
        [&] {
            if (HWND box = FindWindowA("#32770", kNoUsbPortCaption)) {
                PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
            }
            if (HWND prompt = FindWindowA("#32770", kSerialPromptCaption)) {
                PostMessageA(GetDlgItem(prompt, IDC_SERIAL_YES), BM_CLICK, 0, 0);
                probing = true;
            }
            unexpected = UnexpectedBox(dialog, {kNoUsbPortCaption, kSerialPromptCaption});
            if (!unexpected.empty()) return true;
            const std::string status =
                e2e::ReadWindowText(GetDlgItem(dialog, IDC_STATUS)).value_or("");
            auto endsWith = [&status](const auto& endings) {
                return std::any_of(std::begin(endings), std::end(endings),
                                   [&status](const char* ending) { return status.rfind(ending, 0) == 0; });
            };
            const bool last = probing ? endsWith(kProbeLastStatuses) : endsWith(kLastStatuses);
            return last && e2e::ReadWindowText(button).value_or("") == kFinishCaption;
        },
        timeoutMs, 200);
    const std::string status = e2e::ReadWindowText(GetDlgItem(dialog, IDC_STATUS)).value_or("");
    if (!unexpected.empty()) {
        std::fprintf(stderr, "e2e_drive: %s; status line: \"%s\"\n", unexpected.c_str(),
                     status.c_str());
        return 1;
    }
    if (!finished) {
        std::fprintf(stderr, "e2e_drive: the installation did not finish; status line: \"%s\"\n",
                     status.c_str());
        return 1;
    }
    const std::optional<e2e::PrinterView> view = e2e::ReadPrinter(printer);
    std::printf("status line:     \"%s\"\n", status.c_str());
    std::printf("printer:         \"%s\"\n", printer.c_str());
    std::printf("driver:          \"%s\" for \"%s\"\n", view ? view->driver.c_str() : "",
                view ? DriverEnvironment(view->driver).c_str() : "");
    std::printf("port:            \"%s\"\n", view ? view->port.c_str() : "");
    std::printf("default printer: \"%s\"\n",
                e2e::ReadRegistryString(HKEY_CURRENT_USER, kWindowsKey, "Device").value_or("").c_str());
    return view ? 0 : 1;
}

int ChoosePortRow(const char* row) {
    HWND dialog = FindDialog();
    DWORD processId = 0;
    if (dialog != nullptr) GetWindowThreadProcessId(dialog, &processId);
    if (dialog == nullptr ||
        !e2e::RemoteListView(GetDlgItem(dialog, IDC_PORT_LIST), processId).SelectItem(std::atoi(row))) {
        std::fprintf(stderr, "e2e_drive: could not select port row %s\n", row);
        return 1;
    }
    return 0;
}

int ChooseDriver(const char* name) {
    HWND dialog = FindDialog();
    if (dialog == nullptr || !e2e::ChooseComboItem(dialog, IDC_DRIVER_COMBO, name)) {
        std::fprintf(stderr, "e2e_drive: no driver \"%s\" to choose\n", name);
        return 1;
    }
    return 0;
}

// Posts `msg` to the dialog to end it; waits until it is gone.
int EndDialogBy(UINT msg, WPARAM wParam, DWORD timeoutMs) {
    HWND dialog = FindDialog();
    if (dialog == nullptr) {
        std::fprintf(stderr, "e2e_drive: no dialog to close\n");
        return 1;
    }
    PostMessageA(dialog, msg, wParam, 0);
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
    if (argc >= 2 && std::strcmp(argv[1], "close") == 0) {
        return EndDialogBy(WM_SYSCOMMAND, SC_CLOSE, SecondsArgument(argc, argv, 30));
    }
    if (argc >= 2 && std::strcmp(argv[1], "finish") == 0) {
        return EndDialogBy(WM_COMMAND, MAKEWPARAM(IDC_INSTALL, BN_CLICKED),
                           SecondsArgument(argc, argv, 30));
    }
    if (argc == 3 && std::strcmp(argv[1], "add-usb-port") == 0) return AddUsbPort(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "choose-driver") == 0) return ChooseDriver(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "choose-port-row") == 0) return ChoosePortRow(argv[2]);
    if (argc >= 2 && std::strcmp(argv[1], "install") == 0) return Install(SecondsArgument(argc, argv, 180));
    std::fprintf(stderr,
                 "usage: e2e_drive.exe add-usb-port NAME | wait-ready [SECONDS] | choose-driver NAME |\n"
                 "       choose-port-row ROW | install [SECONDS] |\n"
                 "       screenshot FILE.bmp | finish [SECONDS] | close [SECONDS]\n");
    return 2;
}
