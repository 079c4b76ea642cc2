// The program's side of a headless dialog: IDialogWindow, the dialog's own
// loop, message boxes and synchronous sends.
#include "platform/sim/sim_dialog.h"

#include <algorithm>

#include "platform/sim/sim_dialog_boxes.h"
#include "platform/sim/sim_ui.h"

namespace sim {

using Clock = std::chrono::steady_clock;

SimDialog::SimDialog(SimUserInterface& ui, SimUiSync& sync, const DialogTemplate& tmpl,
                     plat::IDialogHandler& handler, std::shared_ptr<SimThreadQueue> queue,
                     SimDialog* parent, plat::WindowHandle hwnd)
    : ui_(ui),
      sync_(sync),
      tmpl_(tmpl),
      handler_(handler),
      queue_(std::move(queue)),
      thread_(std::this_thread::get_id()),
      parent_(parent),
      hwnd_(hwnd),
      controls_(tmpl) {}

template <class F>
auto SimDialog::Call(F fn) -> std::invoke_result_t<F> {
    using R = std::invoke_result_t<F>;
    if (OnOwnThread()) {
        {
            std::lock_guard<std::mutex> lock(sync_.mu);
            if (destroyed_) return R();
        }
        return fn();
    }
    if constexpr (std::is_void_v<R>) {
        SendAndWait([fn] { fn(); }, std::nullopt);
    } else {
        // The result lives in shared memory, so a sender that gives up never
        // leaves the dialog's thread writing into a dead stack frame.
        auto result = std::make_shared<R>();
        if (!SendAndWait([fn, result] { *result = fn(); }, std::nullopt)) return R();
        return *result;
    }
}

template <class F>
auto SimDialog::Model(F fn) -> std::invoke_result_t<F, SimControls&> {
    return Call([this, fn] {
        std::lock_guard<std::mutex> lock(sync_.mu);
        return fn(controls_);
    });
}

bool SimDialog::SendAndWait(std::function<void()> fn,
                            std::optional<std::chrono::milliseconds> timeout) {
    auto state = std::make_shared<SendState>();
    std::unique_lock<std::mutex> lock(sync_.mu);
    if (!TakesEventsLocked()) return false;
    SimEvent ev;
    ev.kind = SimEvent::Kind::kSend;
    ev.target = this;
    ev.run = std::move(fn);
    ev.send = state;
    queue_->events.push_back(std::move(ev));
    sync_.cv.notify_all();

    // A sender that runs dialogs itself serves sends made to it meanwhile,
    // as Windows does, so two dialog threads sending to each other cannot
    // deadlock.
    const std::shared_ptr<SimThreadQueue> own = ui_.QueueOfThreadLocked(std::this_thread::get_id());
    const auto deadline = timeout ? Clock::now() + *timeout : Clock::time_point();
    for (;;) {
        if (state->done) return true;
        if (!state->started && !TakesEventsLocked()) {
            state->abandoned = true;
            return false;
        }
        if (timeout && Clock::now() >= deadline) {
            state->abandoned = true;
            return false;
        }
        SimEvent mine;
        if (own && TakeEvent(*own, PumpMode::kSendsOnly, &mine)) {
            DispatchEvent(lock, sync_, mine);
            continue;
        }
        if (timeout) {
            sync_.cv.wait_until(lock, deadline);
        } else {
            sync_.cv.wait(lock);
        }
    }
}

bool SimDialog::Post(SimEvent::Kind kind, std::function<void()> fn) {
    std::lock_guard<std::mutex> lock(sync_.mu);
    if (!TakesEventsLocked()) return false;
    SimEvent ev;
    ev.kind = kind;
    ev.target = this;
    ev.run = std::move(fn);
    queue_->events.push_back(std::move(ev));
    sync_.cv.notify_all();
    return true;
}

void SimDialog::RunLoop() {
    std::unique_lock<std::mutex> lock(sync_.mu);
    queue_->modal.push_back({this, false});
    PumpUserLocked(lock, [this] { return ended_; });
    queue_->modal.pop_back();
    sync_.cv.notify_all();
}

void SimDialog::PumpUserLocked(std::unique_lock<std::mutex>& lock,
                               const std::function<bool()>& stop) {
    for (;;) {
        if (stop()) {
            queue_->waitingForUser = false;
            return;
        }
        SimEvent ev;
        bool dropped = false;
        if (TakeEvent(*queue_, PumpMode::kUser, &ev, &dropped)) {
            queue_->waitingForUser = false;
            DispatchEvent(lock, sync_, ev);
            continue;
        }
        // Signal only on a change (idle now, or the queue emptied by
        // dropping), so that two idle dialog threads never wake each other
        // in turn.
        if (!queue_->waitingForUser || dropped) {
            queue_->waitingForUser = true;
            sync_.cv.notify_all();
        }
        sync_.cv.wait(lock);
    }
}

int SimDialog::ShowMessageBox(const std::string& text, const std::string& caption,
                              std::uint32_t type) {
    std::unique_lock<std::mutex> lock(sync_.mu);
    boxLog_.push_back(MessageBoxInfo{text, caption, type, 0});
    const std::size_t index = boxLog_.size() - 1;
    std::optional<int> autoAnswer = autoAnswer_ ? autoAnswer_ : ui_.AutoAnswerLocked();
    if (aborted_) autoAnswer = 0;
    if (autoAnswer) {
        const int answer = *autoAnswer == 0 || MessageBoxOffers(type, *autoAnswer)
                               ? *autoAnswer
                               : MessageBoxDefaultButton(type);
        boxLog_[index].answer = answer;
        sync_.cv.notify_all();
        return answer;
    }
    auto box = std::make_shared<PendingBox>();
    box->logIndex = index;
    box->type = type;
    boxes_.push_back(box);
    queue_->modal.push_back({this, true});
    sync_.cv.notify_all();
    PumpUserLocked(lock, [&box] { return box->answered; });
    queue_->modal.pop_back();
    boxes_.erase(std::find(boxes_.begin(), boxes_.end(), box));
    boxLog_[index].answer = box->answer;
    sync_.cv.notify_all();
    return box->answer;
}

void SimDialog::AbortLocked() {
    if (destroyed_) return;
    aborted_ = true;
    if (!ended_) result_ = -1;
    ended_ = true;
    for (const auto& box : boxes_) {
        box->answered = true;
        box->answer = 0;
    }
    queue_->waitingForUser = false;
}

// ---- plat::IDialogWindow ----

plat::WindowHandle SimDialog::GetSafeHwnd() {
    // Reading the handle is no message on Windows either, so it never waits
    // for the dialog's thread.
    std::lock_guard<std::mutex> lock(sync_.mu);
    if (destroyed_ || (ended_ && !OnOwnThread())) return nullptr;
    return hwnd_;
}

std::intptr_t SimDialog::SendMessageA(std::uint32_t msg, std::uintptr_t wParam,
                                      std::intptr_t lParam) {
    return Call([this, msg, wParam, lParam] {
        std::intptr_t result = 0;
        if (!handler_.OnMessage(msg, wParam, lParam, &result)) result = 0;
        return result;
    });
}

std::string SimDialog::GetDlgItemTextA(int id) {
    return Model([id](SimControls& c) { return c.GetText(id); });
}

void SimDialog::SetDlgItemTextA(int id, const std::string& text) {
    Call([this, id, text] {
        bool changedEdit = false;
        bool changed = false;
        {
            std::lock_guard<std::mutex> lock(sync_.mu);
            const ControlState* c = controls_.Find(id);
            const std::string before = c != nullptr ? c->text : std::string();
            const bool ok = controls_.SetText(id, text);
            changedEdit = ok && c->spec->kind == ControlKind::kEdit;
            changed = ok && c->text != before;
        }
        if (changed) ui_.Log("SetDlgItemTextA", std::to_string(id) + " " + text);
        // An edit box tells its parent of every change of its text.
        if (changedEdit) handler_.OnCommand(id, kEnChange);
    });
}

void SimDialog::EnableDlgItem(int id, bool enable) {
    const bool changed = Model([id, enable](SimControls& c) {
        const ControlState* control = c.Find(id);
        const bool before = control != nullptr && control->enabled;
        c.Enable(id, enable);
        return control != nullptr && before != enable;
    });
    if (changed) ui_.Log("EnableDlgItem", std::to_string(id) + " " + (enable ? "1" : "0"));
}

bool SimDialog::IsDlgItemEnabled(int id) {
    return Model([id](SimControls& c) { return c.IsEnabled(id); });
}

void SimDialog::CheckDlgButton(int id, std::uint32_t state) {
    Model([id, state](SimControls& c) { c.SetCheck(id, state); });
}

std::uint32_t SimDialog::IsDlgButtonChecked(int id) {
    return Model([id](SimControls& c) { return c.GetCheck(id); });
}

void SimDialog::ComboResetContent(int id) {
    Model([id](SimControls& c) { c.ComboReset(id); });
}

int SimDialog::ComboAddString(int id, const std::string& text) {
    return Model([id, text](SimControls& c) { return c.ComboAdd(id, text); });
}

int SimDialog::ComboSetCurSel(int id, int index) {
    return Model([id, index](SimControls& c) { return c.ComboSetCurSel(id, index); });
}

int SimDialog::ComboGetCurSel(int id) {
    return Model([id](SimControls& c) { return c.ComboGetCurSel(id); });
}

int SimDialog::ComboGetCount(int id) {
    return Model([id](SimControls& c) { return c.ComboCount(id); });
}

std::string SimDialog::ComboGetLBText(int id, int index) {
    return Model([id, index](SimControls& c) { return c.ComboItem(id, index); });
}

void SimDialog::ListDeleteAllItems(int id) {
    Model([id](SimControls& c) { c.ListDeleteAllItems(id); });
}

int SimDialog::ListGetColumnCount(int id) {
    return Model([id](SimControls& c) { return c.ListColumnCount(id); });
}

bool SimDialog::ListDeleteColumn(int id, int column) {
    return Model([id, column](SimControls& c) { return c.ListDeleteColumn(id, column); });
}

std::uint32_t SimDialog::ListGetExtendedStyle(int id) {
    return Model([id](SimControls& c) { return c.ListGetExStyle(id); });
}

void SimDialog::ListSetExtendedStyle(int id, std::uint32_t style) {
    Model([id, style](SimControls& c) { c.ListSetExStyle(id, style); });
}

int SimDialog::ListInsertColumn(int id, int column, const std::string& text, int format) {
    return Model([id, column, text, format](SimControls& c) {
        return c.ListInsertColumn(id, column, text, format);
    });
}

bool SimDialog::ListSetColumnWidth(int id, int column, int width) {
    return Model(
        [id, column, width](SimControls& c) { return c.ListSetColumnWidth(id, column, width); });
}

int SimDialog::ListInsertItem(int id, int row, const std::string& text) {
    return Model([id, row, text](SimControls& c) { return c.ListInsertItem(id, row, text); });
}

bool SimDialog::ListDeleteItem(int id, int row) {
    return Model([id, row](SimControls& c) { return c.ListDeleteItem(id, row); });
}

bool SimDialog::ListSetItemText(int id, int row, int column, const std::string& text) {
    return Model([id, row, column, text](SimControls& c) {
        return c.ListSetItemText(id, row, column, text);
    });
}

std::string SimDialog::ListGetItemText(int id, int row, int column) {
    return Model(
        [id, row, column](SimControls& c) { return c.ListGetItemText(id, row, column); });
}

bool SimDialog::ListSetItemState(int id, int row, std::uint32_t state, std::uint32_t mask) {
    return Model([id, row, state, mask](SimControls& c) {
        return c.ListSetItemState(id, row, state, mask);
    });
}

std::uint32_t SimDialog::ListGetItemState(int id, int row, std::uint32_t mask) {
    return Model([id, row, mask](SimControls& c) { return c.ListGetItemState(id, row, mask); });
}

int SimDialog::ListGetItemCount(int id) {
    return Model([id](SimControls& c) { return c.ListCount(id); });
}

void SimDialog::ProgressSetPos(int id, int pos) {
    const bool changed = Model([id, pos](SimControls& c) {
        const ControlState* control = c.Find(id);
        const int before = control != nullptr ? control->pos : 0;
        c.ProgressSetPos(id, pos);
        return control != nullptr && control->pos != before;
    });
    if (changed) ui_.Log("ProgressSetPos", std::to_string(pos));
}

int SimDialog::ProgressGetPos(int id) {
    return Model([id](SimControls& c) { return c.ProgressGetPos(id); });
}

bool SimDialog::SetTimer(std::uintptr_t timerId, std::uint32_t elapseMs) {
    return Call([this, timerId, elapseMs] {
        std::lock_guard<std::mutex> lock(sync_.mu);
        timers_[timerId] = elapseMs;
        timerCalls_.push_back(TimerCall{true, timerId, elapseMs});
        ui_.Log("SetTimer", std::to_string(timerId) + " " + std::to_string(elapseMs));
        return true;
    });
}

bool SimDialog::KillTimer(std::uintptr_t timerId) {
    return Call([this, timerId] {
        std::lock_guard<std::mutex> lock(sync_.mu);
        timerCalls_.push_back(TimerCall{false, timerId, 0});
        ui_.Log("KillTimer", std::to_string(timerId));
        return timers_.erase(timerId) != 0;
    });
}

int SimDialog::MessageBoxA(const std::string& text, const std::string& caption,
                           std::uint32_t type) {
    return Call([this, text, caption, type] {
        ui_.Log("MessageBoxA", caption);
        return ShowMessageBox(text, caption, type);
    });
}

void SimDialog::EndDialog(std::intptr_t result) {
    Call([this, result] {
        std::lock_guard<std::mutex> lock(sync_.mu);
        if (!aborted_) result_ = result;
        ended_ = true;
        sync_.cv.notify_all();
    });
}

std::intptr_t SimDialog::RunModalChild(int templateId, plat::IDialogHandler& child) {
    plat::IDialogHandler* handler = &child;
    return Call([this, templateId, handler] { return ui_.RunDialog(templateId, *handler, this); });
}

bool SimDialog::WaitServingSends(const std::function<bool()>& done, std::uint32_t timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (done()) return true;
        std::unique_lock<std::mutex> lock(sync_.mu);
        const std::shared_ptr<SimThreadQueue> queue =
            ui_.QueueOfThreadLocked(std::this_thread::get_id());
        SimEvent ev;
        if (queue && TakeEvent(*queue, PumpMode::kSendsOnly, &ev)) {
            DispatchEvent(lock, sync_, ev);
            continue;
        }
        const auto now = Clock::now();
        if (now >= deadline) {
            lock.unlock();
            return done();
        }
        // `done()` can turn true without any signal of ours: look again soon.
        sync_.cv.wait_until(lock, std::min(deadline, now + std::chrono::milliseconds(2)));
    }
}

}  // namespace sim
