// The message queue of a thread that runs headless dialogs. As on Windows
// the queue belongs to the thread, not to one window: a modal child or a
// message box runs a nested loop over the same queue, so sends to the owner
// keep being served while the child is open.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace sim {

class SimDialog;

// The lock and the signal shared by everything of one SimUserInterface.
// One lock keeps the reasoning simple; nothing is held while a handler runs.
struct SimUiSync {
    std::mutex mu;
    std::condition_variable cv;
};

// A synchronous send as seen by the sender and by the dialog's thread.
struct SendState {
    bool started = false;    // the dialog's thread has taken it
    bool done = false;       // it has returned
    bool abandoned = false;  // the sender stopped waiting before it started
};

struct SimEvent {
    enum class Kind {
        kSend,    // a synchronous call from another thread: always served
        kPosted,  // a timer tick or a posted message: served by every loop
        kInput,   // the user's input: reaches only the dialog in front
    };
    Kind kind = Kind::kPosted;
    SimDialog* target = nullptr;  // dialogs live as long as their interface
    std::function<void()> run;
    std::shared_ptr<SendState> send;  // kSend only
};

struct SimThreadQueue {
    std::thread::id owner;
    std::deque<SimEvent> events;
    // The modal loops running on the thread, innermost last: a dialog's own
    // loop, or a message box that the dialog owns.
    struct Modal {
        SimDialog* dialog;
        bool messageBox;
    };
    std::vector<Modal> modal;
    int dialogs = 0;              // dialogs created on the thread and not yet destroyed
    bool waitingForUser = false;  // blocked in a loop with nothing to do
};

enum class PumpMode {
    kUser,       // a dialog loop or message box: everything that may run now
    kSendsOnly,  // a handler waiting for something else: only sends
};

// With the lock held: moves the next event that may run in `mode` into
// `*out` and returns true, dropping on the way events whose dialog has ended
// and input for a dialog that a modal child or box has disabled. A send
// that is taken is marked started. Sets `*dropped` when it dropped any.
bool TakeEvent(SimThreadQueue& queue, PumpMode mode, SimEvent* out, bool* dropped = nullptr);

// Runs a taken event with the lock released, then marks a send done and
// wakes every waiter.
void DispatchEvent(std::unique_lock<std::mutex>& lock, SimUiSync& sync, SimEvent& event);

}  // namespace sim
