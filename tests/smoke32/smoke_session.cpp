#include "smoke_session.h"

#include <cstring>

#include "dialog_probe.h"
#include "e2e_options.h"
#include "installer_session.h"
#include "process_list.h"
#include "step_timer.h"
#include "wait.h"
#include "working_files.h"

namespace smoke32 {

using namespace e2e;

namespace {

// The control that holds a message box's text.
constexpr int kBoxTextId = 0xFFFF;

struct BoxSearch {
    DWORD processId;
    HWND dialog;
    HWND found;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<BoxSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[16] = {};
    if (owner == search->processId && window != search->dialog && IsWindowVisible(window) &&
        GetClassNameA(window, className, sizeof className) > 0 &&
        std::strcmp(className, "#32770") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible dialog-class window of the process other than its main dialog:
// a message box (or another dialog) in front of it.
HWND FindBox(DWORD processId, HWND dialog) {
    BoxSearch search{processId, dialog, nullptr};
    EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

std::string SmokeSession::Start() {
    const StepTimer timer("start of installer.exe until its dialog is visible");
    if (!m_process.Start(TheOptions().installer, TheOptions().workingDir, &m_strProblem)) {
        return m_strProblem = "installer.exe did not start: " + m_strProblem;
    }
    HWND dialog =
        WaitForProcessWindow(m_process.Handle(), m_process.Id(), kDialogCaption, kDialogBoundMs);
    const bool visible =
        dialog != nullptr &&
        WaitUntil([&] { return IsWindowVisible(dialog) || !m_process.Running(); },
                  kDialogBoundMs, 100) &&
        IsWindowVisible(dialog);
    if (!visible) {
        return m_strProblem = std::string("no visible window \"") + kDialogCaption +
                              "\" within " + std::to_string(kDialogBoundMs / 1000) + " s";
    }
    m_hDialog = dialog;
    return "";
}

std::string SmokeSession::WaitUntilReady() {
    if (m_hDialog == nullptr) return m_strProblem;
    const StepTimer timer("start-up: dialog visible until Install is enabled");
    m_bReady = WaitUntil(
                   [&] {
                       return ControlEnabled(m_hDialog, kInstallButton) || !m_process.Running();
                   },
                   kReadyBoundMs, 250) &&
               m_process.Running();
    if (m_bReady) return "";
    if (!m_process.Running()) {
        return m_strProblem = "the installer ended during start-up with code " +
                              std::to_string(m_process.ExitCode());
    }
    const auto status = ReadWindowText(GetDlgItem(m_hDialog, kStatusLine));
    return m_strProblem = "Install still disabled after " +
                          std::to_string(kReadyBoundMs / 1000) + " s; status line \"" +
                          status.value_or("(no answer)") + "\"";
}

std::string SmokeSession::CancelAndCheckNothingLeft() {
    return EndWith(kCancelButton, "Cancel");
}

std::string SmokeSession::Install(std::string* status) {
    if (!m_bReady) return m_strProblem;
    const StepTimer timer("Install until the button reads \"&Finish\"");
    HWND button = GetDlgItem(m_hDialog, kInstallButton);
    PostMessageA(button, BM_CLICK, 0, 0);
    // No box belongs to an installation on a USB port that goes well: one
    // ends the wait at once.
    HWND box = nullptr;
    const bool finished =
        WaitUntil(
            [&] {
                box = FindBox(m_process.Id(), m_hDialog);
                return box != nullptr || !m_process.Running() ||
                       ReadWindowText(button).value_or("") == "&Finish";
            },
            kInstallBoundMs, 250) &&
        box == nullptr && m_process.Running();
    *status = ReadWindowText(GetDlgItem(m_hDialog, kStatusLine)).value_or("(no answer)");
    if (finished) return "";
    if (!m_process.Running()) {
        return m_strProblem = "the installer ended during the installation with code " +
                              std::to_string(m_process.ExitCode()) + "; status line \"" +
                              *status + "\"";
    }
    if (box != nullptr) {
        return m_strProblem = "the installer shows the box \"" +
                              ReadWindowText(box).value_or("?") + "\": \"" +
                              ReadWindowText(GetDlgItem(box, kBoxTextId)).value_or("?") +
                              "\"; status line \"" + *status + "\"";
    }
    return m_strProblem = "no \"&Finish\" within " + std::to_string(kInstallBoundMs / 1000) +
                          " s; status line \"" + *status + "\"";
}

std::string SmokeSession::FinishAndCheckNothingLeft() {
    if (!m_bReady) return m_strProblem;
    return EndWith(kInstallButton, "\"&Finish\"");
}

std::string SmokeSession::EndWith(int button, const std::string& click) {
    if (m_hDialog == nullptr) return m_strProblem;
    const StepTimer timer(click + " until the installer has ended");
    const DWORD id = m_process.Id();
    // Posted, as a click arrives: the dialog may end before it could answer.
    PostMessageA(GetDlgItem(m_hDialog, button), BM_CLICK, 0, 0);
    m_hDialog = nullptr;
    m_bReady = false;
    if (!m_process.WaitForExit(kEndBoundMs)) {
        return m_strProblem = std::string("the installer still ran ") +
                              std::to_string(kEndBoundMs / 1000) + " s after " + click;
    }
    m_strProblem = "the installer has ended";
    const auto processes = ListProcesses();
    for (const char* program : {"installer.exe", "7za.exe"}) {
        const auto left = Leftovers(processes, id, program, {});
        if (!left.empty()) return "left running: " + Describe(left);
    }
    const auto files = PresentWorkingItems();
    return files.empty() ? "" : "working files left on C: " + Join(files);
}

}  // namespace smoke32
