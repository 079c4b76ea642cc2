// One run of installer.exe seen from outside: start it, find its dialog,
// watch the start-up, close it the way a person would, and make sure
// nothing of it is left.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "dialog_probe.h"
#include "installer_process.h"
#include "resource.h"

namespace e2e {

constexpr char kDialogCaption[] = "Configure & Install v1.4";
constexpr char kTemplateStatus[] = "Driver install Program";
constexpr int kCancelButton = IDCANCEL;
// The start of the status line once the last start-up step has run.
constexpr char kSystemStatusPrefix[] = "Current System is ";

// Bounds of the waits, generous for a slow machine running Wine.
constexpr DWORD kWindowTimeoutMs = 60000;
constexpr DWORD kReadyTimeoutMs = 60000;
constexpr DWORD kExitTimeoutMs = 30000;

// What a person watching the dialog from its first appearance saw until the
// Install button became usable.
struct StartupObservation {
    bool appeared = false;           // the dialog became visible
    ULONGLONG visibleAfterMs = 0;    // from the start of the process
    bool ready = false;              // the Install button became enabled
    ULONGLONG readyAfterMs = 0;      // from the start of the process
    std::vector<std::string> statusTexts;  // each new status line text, in order
    bool statusUnanswered = false;   // the dialog did not answer a status read in time
    std::string problem;             // set when the process ended or showed a box
                                     // during start-up
};

enum class CloseWay { CancelButton, CloseBox };
const char* Name(CloseWay way);

class InstallerSession {
public:
    // Starts the installer of `options`-like arguments; check Started().
    InstallerSession(const std::string& installer, const std::string& workingDir);
    InstallerSession(const InstallerSession&) = delete;
    InstallerSession& operator=(const InstallerSession&) = delete;

    bool Started() const { return started_; }
    const std::string& StartError() const { return startError_; }
    InstallerProcess& Process() { return process_; }
    DWORD Id() const { return process_.Id(); }
    // The dialog once WaitForDialog found it, else null.
    HWND Dialog() const { return dialog_; }

    // Waits until the dialog exists and is visible; true when it does.
    bool WaitForDialog();
    // Watches the status line and the Install button from now until the
    // button is enabled (or the bound runs out).
    StartupObservation WatchStartup();

    // Waits until `done()` holds, at most `timeoutMs`; ends at once when the
    // process ends or shows a box whose caption is none of `expected`.
    // Returns "" when `done()` held, else what ended the wait.
    template <class Condition>
    std::string WaitFor(Condition done, DWORD timeoutMs, std::vector<std::string> expected = {}) {
        expected.push_back(kDialogCaption);
        return WaitWatching(process_.Handle(), process_.Id(), expected, done, timeoutMs);
    }
    // Waits until the window captioned `caption` is visible and returns it;
    // null when it did not show, with `*problem` saying why.
    HWND WaitForBox(const std::string& caption, DWORD timeoutMs, std::string* problem);
    // Waits until the status line begins with `prefix`; "" when it did.
    std::string WaitForStatusPrefix(const std::string& prefix, DWORD timeoutMs);
    // Waits until button `id` reads `caption`; "" when it did.
    std::string WaitForButton(int id, const std::string& caption, DWORD timeoutMs);

    // Closes the dialog as a person would; does not wait.
    void Close(CloseWay way);
    // Waits for the process to end; "" when it did within the bound.
    std::string WaitForExit() {
        return WaitFor([&] { return !process_.Running(); }, kExitTimeoutMs);
    }

private:
    InstallerProcess process_;
    bool started_ = false;
    std::string startError_;
    ULONGLONG startTick_ = 0;
    HWND dialog_ = nullptr;
};

}  // namespace e2e
