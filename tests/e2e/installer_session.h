// One run of installer.exe seen from outside: start it, find its dialog,
// watch the start-up, close it the way a person would, and make sure
// nothing of it is left.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "installer_process.h"

namespace e2e {

constexpr char kDialogCaption[] = "Configure & Install v1.4";
constexpr char kTemplateStatus[] = "Driver install Program";
constexpr int kInstallButton = 1012;
constexpr int kCancelButton = IDCANCEL;
constexpr int kStatusLine = 1011;
constexpr int kDriverCombo = 1000;
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
    std::string exitNote;            // set when the process ended during start-up
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

    // Waits until the status line begins with `prefix`; true when it did.
    bool WaitForStatusPrefix(const std::string& prefix, DWORD timeoutMs);

    // Closes the dialog as a person would; does not wait.
    void Close(CloseWay way);
    // Waits for the process to end; true when it did within the bound.
    bool WaitForExit() { return process_.WaitForExit(kExitTimeoutMs); }

private:
    InstallerProcess process_;
    bool started_ = false;
    std::string startError_;
    ULONGLONG startTick_ = 0;
    HWND dialog_ = nullptr;
};

}  // namespace e2e
