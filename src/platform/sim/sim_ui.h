// The simulated user interface of the native tests: headless modal dialogs
// built from the template table, each running on the thread that opened it
// with a message queue of its own thread, as on Windows.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/sim/sim_dialog.h"
#include "platform/sim/sim_faults.h"
#include "platform/sim/sim_ui_queue.h"
#include "platform/ui.h"

namespace sim {

class SimUserInterface final : public plat::IUserInterface {
public:
    SimUserInterface() = default;
    // Ends every dialog still running and waits (bounded) for their threads
    // to leave them; the dialogs are freed only here.
    ~SimUserInterface() override;
    SimUserInterface(const SimUserInterface&) = delete;
    SimUserInterface& operator=(const SimUserInterface&) = delete;

    // plat::IUserInterface. Ids start at 0xC000; names compare without case.
    // Returns 0 for a missing or empty name.
    std::uint32_t RegisterWindowMessageA(const char* name) override;
    std::intptr_t DialogBoxParamA(int templateId, plat::IDialogHandler& handler) override;
    void KeepDialogsHidden(bool hidden) override;
    // Waits until the test answers the box (AnswerUnownedBox), or answers at
    // once with the auto answer; 0 once AbortAll ran.
    int MessageBoxA(const std::string& text, const std::string& caption,
                    std::uint32_t type) override;

    // ---- Test API, safe from any thread. ----
    // The newest dialog of this template that has not ended, once one
    // exists and its handler has been attached; nullptr after `timeout`.
    SimDialog* WaitForDialog(int templateId,
                             std::chrono::milliseconds timeout = kDefaultWait) const;
    // Every dialog of this template ever opened (and attached), oldest first.
    std::vector<SimDialog*> Dialogs(int templateId) const;
    // Whether the program asked to keep its dialogs hidden.
    bool DialogsHidden() const;
    // The answer for message boxes of dialogs that have none of their own,
    // and for boxes owned by no window.
    void SetAutoAnswer(std::optional<int> button);
    // Every box owned by no window, oldest first; an open one's answer is 0.
    std::vector<MessageBoxInfo> UnownedBoxes() const;
    // Answers the oldest open box owned by no window; false when none is
    // open or the box has no such button.
    bool AnswerUnownedBox(int button);
    // Where the dialogs write what they show: a control's new text, a new
    // progress position, a control enabled or disabled, timers set and
    // killed, message boxes. Changes only: a control set to what it already
    // shows is not written. Null: nowhere.
    void SetCallLog(CallLog* log) { log_ = log; }
    // Ends every running dialog with -1 and answers every open box with 0,
    // so a failed test cannot leave a thread blocked in a dialog.
    void AbortAll();

    // ---- For SimDialog. ----
    // Runs a dialog on the calling thread (nested in `parent`'s loop when
    // given) and returns its result; -1 for an unknown template.
    std::intptr_t RunDialog(int templateId, plat::IDialogHandler& handler, SimDialog* parent);
    // The queue of a thread that runs dialogs of this interface, or null.
    std::shared_ptr<SimThreadQueue> QueueOfThreadLocked(std::thread::id id) const;
    std::optional<int> AutoAnswerLocked() const { return autoAnswer_; }
    void Log(std::string_view op, const std::string& detail) const {
        if (CallLog* log = log_.load()) log->Add(op, detail);
    }

private:
    mutable SimUiSync sync_;
    std::map<std::string, std::uint32_t> messages_;
    std::uint32_t nextMessage_ = 0xC000;
    std::vector<std::unique_ptr<SimDialog>> dialogs_;
    std::map<std::thread::id, std::shared_ptr<SimThreadQueue>> threads_;
    std::optional<int> autoAnswer_;
    bool hidden_ = false;
    std::vector<MessageBoxInfo> unownedBoxes_;
    int threadsInUnownedBoxes_ = 0;
    bool aborted_ = false;
    std::atomic<CallLog*> log_{nullptr};
};

}  // namespace sim
