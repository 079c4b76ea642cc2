#include "dialog_probe.h"

#include <algorithm>
#include <vector>

namespace e2e {

namespace {

struct FindRequest {
    DWORD processId;
    const std::string* caption;
    HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM param) {
    auto* request = reinterpret_cast<FindRequest*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != request->processId) return TRUE;
    // Caption of a window of another process: GetWindowText reads it without
    // a message, so a busy program cannot stall the search.
    char text[256] = {};
    GetWindowTextA(window, text, static_cast<int>(sizeof(text)));
    if (*request->caption != text) return TRUE;
    request->found = window;
    return FALSE;
}

// The control that holds a message box's text.
constexpr int kBoxTextId = 0xFFFF;

struct BoxRequest {
    DWORD processId;
    const std::vector<std::string>* expected;
    HWND found;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM param) {
    auto* request = reinterpret_cast<BoxRequest*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[16] = {};
    if (owner != request->processId || !IsWindowVisible(window) ||
        GetClassNameA(window, className, sizeof className) == 0 ||
        std::string(className) != "#32770") {
        return TRUE;
    }
    char caption[256] = {};
    GetWindowTextA(window, caption, static_cast<int>(sizeof caption));
    const auto& expected = *request->expected;
    if (std::find(expected.begin(), expected.end(), caption) != expected.end()) return TRUE;
    request->found = window;
    return FALSE;
}

}  // namespace

std::optional<BoxView> FindUnexpectedBox(DWORD processId, const std::vector<std::string>& expected) {
    BoxRequest request{processId, &expected, nullptr};
    EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&request));
    if (request.found == nullptr) return std::nullopt;
    char caption[256] = {};
    GetWindowTextA(request.found, caption, static_cast<int>(sizeof caption));
    return BoxView{request.found, caption, BoxText(request.found)};
}

std::string BoxText(HWND box) {
    HWND text = GetDlgItem(box, kBoxTextId);
    return text != nullptr ? ReadWindowText(text).value_or("(no answer)") : "";
}

std::string Describe(const BoxView& box) {
    return "the box \"" + box.caption + "\": \"" + box.text + "\"";
}

std::string WhyWatchEnds(HANDLE process, DWORD processId, const std::vector<std::string>& expected) {
    if (const auto box = FindUnexpectedBox(processId, expected)) return "it shows " + Describe(*box);
    if (process != nullptr && WaitForSingleObject(process, 0) != WAIT_TIMEOUT) {
        DWORD code = 0;
        GetExitCodeProcess(process, &code);
        return "it ended with code " + std::to_string(code);
    }
    return "";
}

std::string NotWithin(DWORD timeoutMs) {
    return "not within " + std::to_string(timeoutMs / 1000) + " s";
}

bool Dismiss(HWND box, int command) {
    PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(command), 0);
    return WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, kSendTimeoutMs, 20);
}

HWND FindProcessWindow(DWORD processId, const std::string& caption) {
    FindRequest request{processId, &caption, nullptr};
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&request));
    return request.found;
}

std::optional<LRESULT> SendBounded(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, msg, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &result)) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

std::optional<std::string> ReadWindowText(HWND window) {
    const auto length = SendBounded(window, WM_GETTEXTLENGTH, 0, 0);
    if (!length || *length < 0) return std::nullopt;
    // Room for the terminator, and for text that grew between the two calls.
    std::vector<char> buffer(static_cast<size_t>(*length) + 64, '\0');
    const auto copied = SendBounded(window, WM_GETTEXT, buffer.size(),
                                    reinterpret_cast<LPARAM>(buffer.data()));
    if (!copied) return std::nullopt;
    buffer.back() = '\0';
    return std::string(buffer.data());
}

std::optional<ControlView> ReadControl(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    if (control == nullptr) return std::nullopt;
    ControlView view;
    char className[128] = {};
    GetClassNameA(control, className, static_cast<int>(sizeof(className)));
    view.className = className;
    view.text = ReadWindowText(control).value_or("<no answer>");
    view.style = GetWindowLongA(control, GWL_STYLE);
    view.visible = IsWindowVisible(control) != FALSE;
    view.enabled = IsWindowEnabled(control) != FALSE;
    GetWindowRect(control, &view.screenRect);
    return view;
}

std::optional<UINT> ReadCheckState(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    if (control == nullptr) return std::nullopt;
    const auto state = SendBounded(control, BM_GETCHECK, 0, 0);
    if (!state) return std::nullopt;
    return static_cast<UINT>(*state);
}

std::optional<int> ReadComboCount(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    if (control == nullptr) return std::nullopt;
    const auto count = SendBounded(control, CB_GETCOUNT, 0, 0);
    if (!count || *count < 0) return std::nullopt;
    return static_cast<int>(*count);
}

bool ControlEnabled(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    return control != nullptr && IsWindowEnabled(control) != FALSE;
}

}  // namespace e2e
