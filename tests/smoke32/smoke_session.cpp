#include "smoke_session.h"

#include <cstring>

#include "app/box_texts.h"
#include "dialog_probe.h"
#include "e2e_options.h"
#include "installer_session.h"
#include "process_list.h"
#include "step_timer.h"
#include "wait.h"
#include "working_files.h"

namespace smoke32 {

using namespace e2e;

std::string SmokeSession::Start() {
    const StepTimer timer("start of installer.exe until its dialog is visible");
    if (!m_process.Start(TheOptions().installer, TheOptions().workingDir, &m_strProblem)) {
        return m_strProblem = "installer.exe did not start: " + m_strProblem;
    }
    HWND dialog = nullptr;
    const std::string problem = Watch(
        [&] {
            dialog = FindProcessWindow(m_process.Id(), kDialogCaption);
            return dialog != nullptr && IsWindowVisible(dialog) != FALSE;
        },
        kDialogBoundMs, 100);
    if (!problem.empty()) {
        return m_strProblem = std::string("no visible window \"") + kDialogCaption + "\": " +
                              "the installer " + problem;
    }
    m_hDialog = dialog;
    return "";
}

std::string SmokeSession::WaitUntilReady() {
    if (m_hDialog == nullptr) return m_strProblem;
    const StepTimer timer("start-up: dialog visible until Install is enabled");
    const std::string problem = Watch(
        [&] { return ControlEnabled(m_hDialog, IDC_INSTALL); }, kReadyBoundMs, 250);
    m_bReady = problem.empty();
    if (m_bReady) return "";
    return m_strProblem = "Install still disabled: " + problem + "; status line \"" +
                          ReadWindowText(GetDlgItem(m_hDialog, IDC_STATUS)).value_or("?") + "\"";
}

std::string SmokeSession::CancelAndCheckNothingLeft() {
    return EndWith(kCancelButton, "Cancel");
}

std::string SmokeSession::Install(std::string* status) {
    if (!m_bReady) return m_strProblem;
    const StepTimer timer("Install until the button reads \"&Finish\"");
    HWND button = GetDlgItem(m_hDialog, IDC_INSTALL);
    PostMessageA(button, BM_CLICK, 0, 0);
    // No box belongs to an installation on a USB port that goes well: one
    // ends the wait at once.
    const std::string problem =
        Watch([&] { return ReadWindowText(button).value_or("") == kFinishCaption; }, kInstallBoundMs,
              250);
    *status = ReadWindowText(GetDlgItem(m_hDialog, IDC_STATUS)).value_or("(no answer)");
    if (problem.empty()) return "";
    return m_strProblem = "no \"&Finish\": the installer " + problem + "; status line \"" +
                          *status + "\"";
}

std::string SmokeSession::FinishAndCheckNothingLeft() {
    if (!m_bReady) return m_strProblem;
    return EndWith(IDC_INSTALL, "\"&Finish\"");
}

std::string SmokeSession::EndWith(int button, const std::string& click) {
    if (m_hDialog == nullptr) return m_strProblem;
    const StepTimer timer(click + " until the installer has ended");
    const DWORD id = m_process.Id();
    // Posted, as a click arrives: the dialog may end before it could answer.
    PostMessageA(GetDlgItem(m_hDialog, button), BM_CLICK, 0, 0);
    m_hDialog = nullptr;
    m_bReady = false;
    const std::string problem = Watch([&] { return !m_process.Running(); }, kEndBoundMs, 100);
    if (!problem.empty()) return m_strProblem = "after " + click + " the installer " + problem;
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
