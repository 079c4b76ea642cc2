// Reads another process's windows the way a person sees them: which
// top-level window has which caption, and what each control shows. Every
// message to the other process has a bounded wait.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "wait.h"

namespace e2e {

// Longest wait for one message answered by the program under test.
constexpr UINT kSendTimeoutMs = 5000;

// The top-level window of process `processId` whose caption is exactly
// `caption`, or null.
HWND FindProcessWindow(DWORD processId, const std::string& caption);

// A box a program shows in front of its dialog (a message box or a dialog of
// its own), as a person reads it.
struct BoxView {
    HWND window = nullptr;
    std::string caption;
    std::string text;  // a message box's message; "" for other dialogs
};

// The first visible dialog-class top-level window of process `processId`
// whose caption is none of `expected`; nullopt when there is none.
std::optional<BoxView> FindUnexpectedBox(DWORD processId, const std::vector<std::string>& expected);

// The message of the message box `box`.
std::string BoxText(HWND box);

// `the box "caption": "text"`, for failure messages.
std::string Describe(const BoxView& box);

// Gives `box` the command of one of its buttons (posted, as a click
// arrives) and waits until the box is gone, so that a wait after it does not
// take the closing box for a new one. True when it went within the bound.
bool Dismiss(HWND box, int command);

// What ends a watched wait now: "it shows the box ..." or "it ended with
// code N"; "" when neither.
std::string WhyWatchEnds(HANDLE process, DWORD processId, const std::vector<std::string>& expected);
// "not within N s".
std::string NotWithin(DWORD timeoutMs);

// Waits until `done()` holds, at most `timeoutMs`, watching the program
// `process` / `processId` meanwhile: the wait ends at once when it ends or
// shows a box whose caption is none of `expected` (its main dialog is one of
// them), rather than waiting out its bound in front of a box nobody answers.
// Returns "" when `done()` held, else what ended the wait.
template <class Condition>
std::string WaitWatching(HANDLE process, DWORD processId, const std::vector<std::string>& expected,
                         Condition done, DWORD timeoutMs, DWORD stepMs = 50) {
    std::string problem;
    const bool held = WaitUntil(
        [&] {
            if (done()) return true;
            problem = WhyWatchEnds(process, processId, expected);
            if (problem.empty()) return false;
            // The state may have come just before the box or the end did.
            if (done()) problem.clear();
            return true;
        },
        timeoutMs, stepMs);
    if (held && problem.empty()) return "";
    return problem.empty() ? NotWithin(timeoutMs) : problem;
}

// A message sent with a bounded wait; nullopt when the program did not
// answer in time (hung, or the window is gone).
std::optional<LRESULT> SendBounded(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// What a control shows, read from outside its process.
struct ControlView {
    std::string className;
    std::string text;
    LONG style = 0;
    bool visible = false;
    bool enabled = false;
    RECT screenRect{};
};

// The child of `dialog` with control id `id`, or nullopt when there is none.
std::optional<ControlView> ReadControl(HWND dialog, int id);

// The window text through WM_GETTEXT (answered by the owning process, so it
// is what the control draws); nullopt when the program does not answer.
std::optional<std::string> ReadWindowText(HWND window);

// The check state of button `id` of `dialog` (BST_*), nullopt when unknown.
std::optional<UINT> ReadCheckState(HWND dialog, int id);

// The number of items in combo box `id` of `dialog`, nullopt when unknown.
std::optional<int> ReadComboCount(HWND dialog, int id);

// True when button `id` of `dialog` exists and is enabled.
bool ControlEnabled(HWND dialog, int id);

}  // namespace e2e
