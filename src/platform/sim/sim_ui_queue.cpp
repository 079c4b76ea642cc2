#include "platform/sim/sim_ui_queue.h"

#include "platform/sim/sim_dialog.h"

namespace sim {

bool TakeEvent(SimThreadQueue& queue, PumpMode mode, SimEvent* out, bool* dropped) {
    for (auto it = queue.events.begin(); it != queue.events.end();) {
        SimEvent& ev = *it;
        if (!ev.target->TakesEventsLocked() || (ev.send && ev.send->abandoned)) {
            it = queue.events.erase(it);
            if (dropped) *dropped = true;
            continue;
        }
        bool take = false;
        switch (ev.kind) {
            case SimEvent::Kind::kSend:
                take = true;
                break;
            case SimEvent::Kind::kPosted:
                take = mode == PumpMode::kUser;
                break;
            case SimEvent::Kind::kInput:
                if (mode == PumpMode::kSendsOnly) break;  // stays queued until the handler returns
                if (!queue.modal.empty() && queue.modal.back().dialog == ev.target &&
                    !queue.modal.back().messageBox) {
                    take = true;
                } else {
                    // The dialog is disabled by a box or child in front of it:
                    // the input goes nowhere, as a click on it would.
                    it = queue.events.erase(it);
                    if (dropped) *dropped = true;
                    continue;
                }
                break;
        }
        if (!take) {
            ++it;
            continue;
        }
        *out = std::move(ev);
        queue.events.erase(it);
        if (out->send) out->send->started = true;
        return true;
    }
    return false;
}

void DispatchEvent(std::unique_lock<std::mutex>& lock, SimUiSync& sync, SimEvent& event) {
    lock.unlock();
    event.run();
    lock.lock();
    if (event.send) event.send->done = true;
    sync.cv.notify_all();
}

}  // namespace sim
