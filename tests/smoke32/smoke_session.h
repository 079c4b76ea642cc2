// One run of the real 32-bit installer.exe, slow under emulation: started
// from its distribution folder, watched until its start-up has ended, then
// ended with Cancel, or used for an installation and ended with "&Finish",
// each step timed. The smoke tests take these steps in turn; each run is a
// session of its own.
#pragma once

#include <windows.h>

#include <string>

#include "installer_process.h"
#include "installer_session.h"

namespace smoke32 {

// Bounds of the waits. Under user-mode emulation the start of a process, the
// start-up (with the emulated decoding) and the end each take minutes.
constexpr DWORD kDialogBoundMs = 5 * 60 * 1000;
constexpr DWORD kReadyBoundMs = 8 * 60 * 1000;
constexpr DWORD kEndBoundMs = 2 * 60 * 1000;
// An installation: file copies, spooler calls and restarts, the USB ports.
constexpr DWORD kInstallBoundMs = 8 * 60 * 1000;

class SmokeSession {
public:
    SmokeSession() = default;
    SmokeSession(const SmokeSession&) = delete;
    SmokeSession& operator=(const SmokeSession&) = delete;

    // Each step returns "" when it succeeded, else what went wrong; a step
    // whose predecessor failed returns that failure again.

    // Starts installer.exe with the test program's options and waits until
    // its dialog is visible.
    std::string Start();
    // Waits until the Install button is enabled: the start-up has ended.
    std::string WaitUntilReady();
    // Clicks Cancel and waits until the process has ended; then nothing of
    // the run may be left: no installer.exe, no 7za.exe (nothing the
    // installer ships may start one), no working files.
    std::string CancelAndCheckNothingLeft();
    // Clicks Install and waits until the button reads "&Finish"; returns the
    // status line then in `status`. A box the installer shows meanwhile ends
    // the wait with its caption and text as the problem.
    std::string Install(std::string* status);
    // Clicks "&Finish" and waits until the process has ended; then nothing
    // of the run may be left, as after Cancel.
    std::string FinishAndCheckNothingLeft();

    HWND Dialog() const { return m_hDialog; }
    HANDLE Process() const { return m_process.Handle(); }

private:
    // Waits until `done()` holds, ending at once when the installer ends or
    // shows a box; "" when it held, else what ended the wait.
    template <class Condition>
    std::string Watch(Condition done, DWORD boundMs, DWORD stepMs) {
        return e2e::WaitWatching(m_process.Handle(), m_process.Id(), {e2e::kDialogCaption}, done,
                                 boundMs, stepMs);
    }

    // Posts a click to `button` (named `click` in the timing and the
    // messages) and waits for the process to end; then checks that nothing
    // of the run is left.
    std::string EndWith(int button, const std::string& click);

    e2e::InstallerProcess m_process;
    HWND m_hDialog = nullptr;
    bool m_bReady = false;
    std::string m_strProblem;
};

}  // namespace smoke32
