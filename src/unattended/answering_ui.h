// The user interface of an unattended run: the platform's own dialogs run as
// usual (shown, or kept hidden), while every message box and every modal
// child dialog is answered here as a careful person would answer it, and
// noted in the run's log with what the status line and the button show.
// The installation code runs unchanged on top of it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "unattended/run_log.h"

// The answers the modal children take.
struct ChildAnswers {
    // The row of the parallel or TCP/IP port dialog to choose, by the
    // port's name (SamePortName); empty: the first row. A dialog without
    // that port is cancelled.
    std::string portName;
    // The serial prompt's rate, as an index of its list.
    int baudRateIndex = 0;
};

class CAnsweringUserInterface final : public plat::IUserInterface {
public:
    // `statusId` and `buttonId` name the controls of the top-level dialog
    // whose texts are logged as they change.
    CAnsweringUserInterface(plat::IUserInterface& inner, CRunLog& log, int statusId, int buttonId);
    ~CAnsweringUserInterface() override;
    CAnsweringUserInterface(const CAnsweringUserInterface&) = delete;
    CAnsweringUserInterface& operator=(const CAnsweringUserInterface&) = delete;

    // plat::IUserInterface
    std::uint32_t RegisterWindowMessageA(const char* name) override;
    // Runs the top-level dialog that the run drives.
    std::intptr_t DialogBoxParamA(int templateId, plat::IDialogHandler& handler) override;
    void KeepDialogsHidden(bool hidden) override;
    // Answered like the boxes the dialogs show.
    int MessageBoxA(const std::string& text, const std::string& caption,
                    std::uint32_t type) override;

    // ---- For the thread that drives the run. ----
    // Waits until the top-level dialog has its window (true), or it ended,
    // or `timeout` passed (false).
    bool WaitForDialog(std::chrono::milliseconds timeout);
    // Runs `step` on the dialog's thread, as a message sent to the dialog,
    // and returns once it has run (true). False when the dialog has ended
    // or is ending, and then `step` does not run.
    bool RunOnDialog(const std::function<void()>& step);
    bool DialogEnded() const;
    // Waits until the dialog has ended; false when `timeout` passed first.
    bool WaitForDialogEnd(std::chrono::milliseconds timeout);
    // The answers for the children of the next installation.
    void SetChildAnswers(const ChildAnswers& answers);
    // Whether a person closed the dialog (its close box, Cancel, Escape):
    // the driver's own steps call the dialog directly, never through here.
    bool ClosedByPerson() const;

    // ---- For steps (the dialog's thread). ----
    // The dialog's window as its handler sees it; null before it exists.
    plat::IDialogWindow* DialogWindow() const;
    // Whether the dialog has a timer set (a port probe still runs).
    bool TimersActive() const;

private:
    class Window;
    class Handler;
    friend class Window;
    friend class Handler;

    ChildAnswers Answers() const;
    void NoteClosedByPerson();
    // Answers a box as a careful person would, and logs it.
    int AnswerBox(const std::string& text, const std::string& caption, std::uint32_t type);
    Window& NewWindow(plat::IDialogWindow& inner, bool topLevel);

    plat::IUserInterface& m_inner;
    CRunLog& m_log;
    const int m_statusId;
    const int m_buttonId;
    const std::uint32_t m_stepMessage;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    // Every window object made; they outlive their dialogs, since the
    // installer keeps its window pointer after the dialog has ended.
    std::vector<std::unique_ptr<Window>> m_windows;
    Window* m_dialog = nullptr;
    bool m_ending = false;     // the dialog is being destroyed: no more steps
    bool m_ended = false;
    bool m_inStep = false;     // a step's message is on its way or running
    bool m_stepRunning = false;  // the dialog's thread is running the step
    const std::function<void()>* m_pendingStep = nullptr;
    ChildAnswers m_answers;
    bool m_closedByPerson = false;
};
