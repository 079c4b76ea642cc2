// The test's side of a headless dialog: readers, the user's input and the
// waits, all callable from any thread.
#include <stdexcept>

#include "platform/sim/sim_dialog.h"
#include "platform/sim/sim_dialog_boxes.h"

namespace sim {

using Clock = std::chrono::steady_clock;

namespace {

bool InRange(int index, std::size_t size) {
    return index >= 0 && static_cast<std::size_t>(index) < size;
}

}  // namespace

const ControlState& SimDialog::InspectLocked(int id) const {
    const ControlState* c = controls_.Find(id);
    if (c == nullptr) {
        throw std::invalid_argument("dialog " + std::to_string(tmpl_.id) + " has no control " +
                                    std::to_string(id));
    }
    return *c;
}

const ControlState& SimDialog::InspectLocked(int id, ControlKind kind) const {
    const ControlState& c = InspectLocked(id);
    if (c.spec->kind != kind) {
        throw std::invalid_argument("control " + std::to_string(id) + " of dialog " +
                                    std::to_string(tmpl_.id) + " is a " +
                                    ControlKindName(c.spec->kind) + ", not a " +
                                    ControlKindName(kind));
    }
    return c;
}

void SimDialog::RequireControl(int id, std::optional<ControlKind> kind) const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    if (kind) {
        InspectLocked(id, *kind);
    } else {
        InspectLocked(id);
    }
}

// ---- Readers ----

std::string SimDialog::Text(int id) const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    const ControlState& c = InspectLocked(id);
    if (c.spec->kind == ControlKind::kCombo) {
        return InRange(c.curSel, c.items.size()) ? c.items[c.curSel] : std::string();
    }
    return c.text;
}

bool SimDialog::IsEnabled(int id) const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    return InspectLocked(id).enabled;
}

bool SimDialog::IsChecked(int id) const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    return InspectLocked(id, ControlKind::kCheck).check == plat::kBstChecked;
}

std::vector<std::string> SimDialog::ComboItems(int id) const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    return InspectLocked(id, ControlKind::kCombo).items;
}

int SimDialog::ComboSelection(int id) const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    return InspectLocked(id, ControlKind::kCombo).curSel;
}

std::vector<ListColumn> SimDialog::ListColumns(int id) const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    return InspectLocked(id, ControlKind::kListView).columns;
}

std::uint32_t SimDialog::ListExtendedStyle(int id) const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    return InspectLocked(id, ControlKind::kListView).exStyle;
}

std::string SimDialog::ListItemText(int id, int row, int column) const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    const ControlState& c = InspectLocked(id, ControlKind::kListView);
    if (!InRange(row, c.rows.size())) return {};
    const std::vector<std::string>& cells = c.rows[row].cells;
    return InRange(column, cells.size()) ? cells[column] : std::string();
}

std::uint32_t SimDialog::ListItemState(int id, int row) const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    const ControlState& c = InspectLocked(id, ControlKind::kListView);
    return InRange(row, c.rows.size()) ? c.rows[row].state : 0;
}

int SimDialog::ListItemCount(int id) const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    return static_cast<int>(InspectLocked(id, ControlKind::kListView).rows.size());
}

std::vector<int> SimDialog::ListSelectedRows(int id) const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    const ControlState& c = InspectLocked(id, ControlKind::kListView);
    std::vector<int> rows;
    for (std::size_t i = 0; i < c.rows.size(); ++i) {
        if ((c.rows[i].state & plat::kLvisSelected) != 0) rows.push_back(static_cast<int>(i));
    }
    return rows;
}

int SimDialog::ProgressPos(int id) const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    return InspectLocked(id, ControlKind::kProgress).pos;
}

std::map<std::uintptr_t, std::uint32_t> SimDialog::ActiveTimers() const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    return timers_;
}

std::vector<TimerCall> SimDialog::TimerCalls() const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    return timerCalls_;
}

std::vector<std::string> SimDialog::Misuses() const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    return controls_.Misuses();
}

// ---- The user's input ----

bool SimDialog::Click(int id) {
    RequireControl(id, std::nullopt);
    return Post(SimEvent::Kind::kInput, [this, id] {
        bool clicked = false;
        {
            std::lock_guard<std::mutex> lock(sync_.mu);
            ControlState& c = *controls_.Find(id);
            const ControlKind kind = c.spec->kind;
            if (c.enabled && (kind == ControlKind::kButton || kind == ControlKind::kCheck)) {
                clicked = true;
                if (kind == ControlKind::kCheck && (c.spec->flags & ctl::kAutoCheck) != 0) {
                    c.check = c.check == plat::kBstChecked ? plat::kBstUnchecked : plat::kBstChecked;
                }
            }
        }
        if (clicked) handler_.OnCommand(id, plat::kBnClicked);
    });
}

bool SimDialog::SelectComboItem(int id, int index) {
    {
        std::lock_guard<std::mutex> lock(sync_.mu);
        const ControlState& c = InspectLocked(id, ControlKind::kCombo);
        if (!InRange(index, c.items.size())) {
            throw std::out_of_range("combo box " + std::to_string(id) + " has no item " +
                                    std::to_string(index));
        }
    }
    return Post(SimEvent::Kind::kInput, [this, id, index] {
        bool picked = false;
        {
            std::lock_guard<std::mutex> lock(sync_.mu);
            ControlState& c = *controls_.Find(id);
            if (c.enabled && InRange(index, c.items.size())) {
                c.curSel = index;
                picked = true;
            }
        }
        if (picked) handler_.OnCommand(id, plat::kCbnSelChange);
    });
}

bool SimDialog::SelectListRow(int id, int row) {
    {
        std::lock_guard<std::mutex> lock(sync_.mu);
        const ControlState& c = InspectLocked(id, ControlKind::kListView);
        if (!InRange(row, c.rows.size())) {
            throw std::out_of_range("list view " + std::to_string(id) + " has no row " +
                                    std::to_string(row));
        }
    }
    return Post(SimEvent::Kind::kInput, [this, id, row] {
        std::lock_guard<std::mutex> lock(sync_.mu);
        ControlState& c = *controls_.Find(id);
        if (!c.enabled || !InRange(row, c.rows.size())) return;
        // A plain click selects and focuses the row alone.
        for (ControlState::Row& r : c.rows) r.state &= ~(plat::kLvisSelected | plat::kLvisFocused);
        c.rows[row].state |= plat::kLvisSelected | plat::kLvisFocused;
    });
}

bool SimDialog::ClearListSelection(int id) {
    RequireControl(id, ControlKind::kListView);
    return Post(SimEvent::Kind::kInput, [this, id] {
        std::lock_guard<std::mutex> lock(sync_.mu);
        ControlState& c = *controls_.Find(id);
        if (!c.enabled) return;
        for (ControlState::Row& r : c.rows) r.state &= ~plat::kLvisSelected;
    });
}

bool SimDialog::TypeText(int id, const std::string& text) {
    RequireControl(id, ControlKind::kEdit);
    return Post(SimEvent::Kind::kInput, [this, id, text] {
        bool typed = false;
        {
            std::lock_guard<std::mutex> lock(sync_.mu);
            ControlState& c = *controls_.Find(id);
            if (c.enabled) {
                c.text = text;
                typed = true;
            }
        }
        if (typed) handler_.OnCommand(id, kEnChange);
    });
}

bool SimDialog::SetCheck(int id, bool checked) {
    RequireControl(id, ControlKind::kCheck);
    return Post(SimEvent::Kind::kInput, [this, id, checked] {
        bool clicked = false;
        {
            std::lock_guard<std::mutex> lock(sync_.mu);
            ControlState& c = *controls_.Find(id);
            if (c.enabled && (c.check == plat::kBstChecked) != checked) {
                clicked = true;
                if ((c.spec->flags & ctl::kAutoCheck) != 0) {
                    c.check = checked ? plat::kBstChecked : plat::kBstUnchecked;
                }
            }
        }
        if (clicked) handler_.OnCommand(id, plat::kBnClicked);
    });
}

bool SimDialog::Close() {
    return Post(SimEvent::Kind::kInput, [this] { handler_.OnClose(); });
}

bool SimDialog::PressEnter() {
    return Post(SimEvent::Kind::kInput, [this] {
        // The default push button when there is one (and only while it is
        // enabled), else IDOK whether or not such a control exists.
        int id = plat::kIdOk;
        bool press = true;
        {
            std::lock_guard<std::mutex> lock(sync_.mu);
            for (const ControlSpec& spec : tmpl_.controls) {
                if ((spec.flags & ctl::kDefaultButton) != 0 && spec.id != kNoControlId) {
                    id = spec.id;
                    press = controls_.Find(id)->enabled;
                    break;
                }
            }
        }
        if (press) handler_.OnCommand(id, plat::kBnClicked);
    });
}

bool SimDialog::PressEscape() {
    // Escape sends IDCANCEL even when a Cancel button is disabled.
    return Post(SimEvent::Kind::kInput,
                [this] { handler_.OnCommand(plat::kIdCancel, plat::kBnClicked); });
}

bool SimDialog::FireTimer(std::uintptr_t timerId) {
    {
        std::lock_guard<std::mutex> lock(sync_.mu);
        if (timers_.count(timerId) == 0) return false;
    }
    return Post(SimEvent::Kind::kPosted, [this, timerId] {
        bool active = false;
        {
            // A timer killed after the tick was queued takes its tick along.
            std::lock_guard<std::mutex> lock(sync_.mu);
            active = timers_.count(timerId) != 0;
        }
        if (active) handler_.OnTimer(timerId);
    });
}

std::optional<std::intptr_t> SimDialog::SendUserMessage(std::uint32_t msg, std::uintptr_t wParam,
                                                        std::intptr_t lParam,
                                                        std::chrono::milliseconds timeout) {
    auto result = std::make_shared<std::intptr_t>(0);
    auto body = [this, msg, wParam, lParam, result] {
        std::intptr_t r = 0;
        if (!handler_.OnMessage(msg, wParam, lParam, &r)) r = 0;
        *result = r;
    };
    if (OnOwnThread()) {
        if (IsDestroyed()) return std::nullopt;
        body();
    } else if (!SendAndWait(body, timeout)) {
        return std::nullopt;
    }
    return *result;
}

// ---- Waits and state ----

bool SimDialog::WaitIdle(std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(sync_.mu);
    return sync_.cv.wait_for(lock, timeout, [this] {
        return destroyed_ || (queue_->events.empty() && queue_->waitingForUser);
    });
}

bool SimDialog::WaitUntil(const std::function<bool()>& predicate,
                          std::chrono::milliseconds timeout) const {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (predicate()) return true;
        std::unique_lock<std::mutex> lock(sync_.mu);
        const auto now = Clock::now();
        if (now >= deadline) {
            lock.unlock();
            return predicate();
        }
        sync_.cv.wait_until(lock, std::min(deadline, now + std::chrono::milliseconds(5)));
    }
}

bool SimDialog::WaitForEnd(std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(sync_.mu);
    return sync_.cv.wait_for(lock, timeout, [this] { return destroyed_; });
}

bool SimDialog::HasEnded() const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    return ended_;
}

bool SimDialog::IsDestroyed() const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    return destroyed_;
}

std::optional<std::intptr_t> SimDialog::Result() const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    if (!ended_) return std::nullopt;
    return result_;
}

// ---- Message boxes ----

std::optional<MessageBoxInfo> SimDialog::WaitMessageBox(std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(sync_.mu);
    const bool open = sync_.cv.wait_for(
        lock, timeout, [this] { return !boxes_.empty() && !boxes_.back()->answered; });
    if (!open) return std::nullopt;
    return boxLog_[boxes_.back()->logIndex];
}

bool SimDialog::AnswerMessageBox(int button) {
    std::lock_guard<std::mutex> lock(sync_.mu);
    if (boxes_.empty()) return false;
    PendingBox& box = *boxes_.back();
    if (box.answered || !MessageBoxOffers(box.type, button)) return false;
    box.answered = true;
    box.answer = button;
    // The thread has work again: WaitIdle must not take it for idle before
    // it has left the box.
    queue_->waitingForUser = false;
    sync_.cv.notify_all();
    return true;
}

void SimDialog::SetAutoAnswer(std::optional<int> button) {
    std::lock_guard<std::mutex> lock(sync_.mu);
    autoAnswer_ = button;
}

std::vector<MessageBoxInfo> SimDialog::MessageBoxLog() const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    return boxLog_;
}

}  // namespace sim
