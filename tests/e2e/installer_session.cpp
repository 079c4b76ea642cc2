#include "installer_session.h"

#include "dialog_probe.h"
#include "wait.h"

namespace e2e {

const char* Name(CloseWay way) {
    return way == CloseWay::CancelButton ? "CancelButton" : "CloseBox";
}

InstallerSession::InstallerSession(const std::string& installer, const std::string& workingDir) {
    startTick_ = GetTickCount64();
    started_ = process_.Start(installer, workingDir, &startError_);
}

bool InstallerSession::WaitForDialog() {
    if (!started_) return false;
    // The window exists before its initialisation; a person first sees it
    // when it is shown.
    HWND dialog = nullptr;
    const std::string problem = WaitFor(
        [&] {
            dialog = FindProcessWindow(process_.Id(), kDialogCaption);
            return dialog != nullptr && IsWindowVisible(dialog) != FALSE;
        },
        kWindowTimeoutMs);
    if (problem.empty()) dialog_ = dialog;
    return problem.empty();
}

StartupObservation InstallerSession::WatchStartup() {
    StartupObservation seen;
    if (dialog_ == nullptr || !IsWindowVisible(dialog_)) return seen;
    seen.appeared = true;
    seen.visibleAfterMs = GetTickCount64() - startTick_;
    HWND status = GetDlgItem(dialog_, IDC_STATUS);
    // Fine-grained so that a text shown only briefly is still seen.
    WaitUntil(
        [&] {
            if (!process_.Running()) {
                seen.problem = "the process ended with code " + std::to_string(process_.ExitCode());
                return true;
            }
            if (const auto box = FindUnexpectedBox(process_.Id(), {kDialogCaption})) {
                seen.problem = "it shows " + Describe(*box);
                return true;
            }
            if (status != nullptr) {
                const auto text = ReadWindowText(status);
                if (!text) {
                    seen.statusUnanswered = true;
                } else if (seen.statusTexts.empty() || seen.statusTexts.back() != *text) {
                    seen.statusTexts.push_back(*text);
                }
            }
            if (ControlEnabled(dialog_, IDC_INSTALL)) {
                seen.ready = true;
                seen.readyAfterMs = GetTickCount64() - startTick_;
                return true;
            }
            return false;
        },
        kReadyTimeoutMs, 5);
    // The status as the button became usable.
    if (seen.ready && status != nullptr) {
        const auto text = ReadWindowText(status);
        if (text && (seen.statusTexts.empty() || seen.statusTexts.back() != *text)) {
            seen.statusTexts.push_back(*text);
        }
    }
    return seen;
}

HWND InstallerSession::WaitForBox(const std::string& caption, DWORD timeoutMs,
                                  std::string* problem) {
    HWND box = nullptr;
    *problem = WaitFor(
        [&] {
            box = FindProcessWindow(process_.Id(), caption);
            return box != nullptr && IsWindowVisible(box) != FALSE;
        },
        timeoutMs, {caption});
    return problem->empty() ? box : nullptr;
}

std::string InstallerSession::WaitForStatusPrefix(const std::string& prefix, DWORD timeoutMs) {
    if (dialog_ == nullptr) return "no dialog";
    HWND status = GetDlgItem(dialog_, IDC_STATUS);
    return WaitFor(
        [&] {
            const auto text = ReadWindowText(status);
            return text && text->rfind(prefix, 0) == 0;
        },
        timeoutMs);
}

std::string InstallerSession::WaitForButton(int id, const std::string& caption, DWORD timeoutMs) {
    if (dialog_ == nullptr) return "no dialog";
    HWND button = GetDlgItem(dialog_, id);
    const std::string problem =
        WaitFor([&] { return ReadWindowText(button).value_or("") == caption; }, timeoutMs);
    if (problem.empty()) return "";
    return "no button \"" + caption + "\": " + problem + "; status line \"" +
           ReadWindowText(GetDlgItem(dialog_, IDC_STATUS)).value_or("?") + "\"";
}

void InstallerSession::Close(CloseWay way) {
    if (dialog_ == nullptr) return;
    if (way == CloseWay::CancelButton) {
        // Posted, as a click arrives: the dialog may end before it could answer.
        PostMessageA(GetDlgItem(dialog_, kCancelButton), BM_CLICK, 0, 0);
    } else {
        PostMessageA(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
}

}  // namespace e2e
