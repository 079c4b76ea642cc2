// Reads another process's windows the way a person sees them: which
// top-level window has which caption, and what each control shows. Every
// message to the other process has a bounded wait.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace e2e {

// Longest wait for one message answered by the program under test.
constexpr UINT kSendTimeoutMs = 5000;

// The top-level window of process `processId` whose caption is exactly
// `caption`, or null.
HWND FindProcessWindow(DWORD processId, const std::string& caption);

// Same, waiting at most `timeoutMs`; gives up early when `process` ends.
HWND WaitForProcessWindow(HANDLE process, DWORD processId, const std::string& caption,
                          DWORD timeoutMs);

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
