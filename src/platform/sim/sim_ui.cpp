#include "platform/sim/sim_ui.h"

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "platform/sim/sim_dialog_boxes.h"
#include "platform/sim/sim_templates.h"

namespace sim {
namespace {

// Fake window handles: unique across every interface of the process, never
// null, never pointing at anything.
plat::WindowHandle NextWindowHandle() {
    static std::atomic<std::uintptr_t> next{0x10010};
    return reinterpret_cast<plat::WindowHandle>(next.fetch_add(0x10));
}

// How long the destructor waits for dialog threads to leave their dialogs.
constexpr std::chrono::seconds kTeardownWait{10};

}  // namespace

SimUserInterface::~SimUserInterface() {
    AbortAll();
    std::unique_lock<std::mutex> lock(sync_.mu);
    if (!sync_.cv.wait_for(lock, kTeardownWait,
                           [this] { return threads_.empty() && threadsInUnownedBoxes_ == 0; })) {
        // Freeing the dialogs now would pull them from under a running
        // thread; stopping here is the only safe answer.
        std::fputs("SimUserInterface destroyed while a dialog thread still runs\n", stderr);
        std::abort();
    }
}

std::uint32_t SimUserInterface::RegisterWindowMessageA(const char* name) {
    if (name == nullptr || *name == '\0') return 0;
    std::string key(name);
    for (char& ch : key) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    std::lock_guard<std::mutex> lock(sync_.mu);
    auto [it, added] = messages_.emplace(key, nextMessage_);
    if (added) ++nextMessage_;
    return it->second;
}

std::intptr_t SimUserInterface::DialogBoxParamA(int templateId, plat::IDialogHandler& handler) {
    return RunDialog(templateId, handler, nullptr);
}

std::intptr_t SimUserInterface::RunDialog(int templateId, plat::IDialogHandler& handler,
                                          SimDialog* parent) {
    const DialogTemplate* tmpl = FindDialogTemplate(templateId);
    if (tmpl == nullptr) return -1;
    const std::thread::id self = std::this_thread::get_id();
    SimDialog* dialog = nullptr;
    std::shared_ptr<SimThreadQueue> queue;
    {
        std::lock_guard<std::mutex> lock(sync_.mu);
        std::shared_ptr<SimThreadQueue>& slot = threads_[self];
        if (!slot) {
            slot = std::make_shared<SimThreadQueue>();
            slot->owner = self;
        }
        queue = slot;
        ++queue->dialogs;
        dialogs_.push_back(std::make_unique<SimDialog>(*this, sync_, *tmpl, handler, queue, parent,
                                                       NextWindowHandle()));
        dialog = dialogs_.back().get();
        sync_.cv.notify_all();
    }

    handler.Attach(dialog);
    {
        // Tests find the dialog from here on, so its handler already knows
        // its window when they do.
        std::lock_guard<std::mutex> lock(sync_.mu);
        dialog->attached_ = true;
        sync_.cv.notify_all();
    }
    handler.OnInitDialog();
    dialog->RunLoop();
    handler.OnDestroy();
    handler.Attach(nullptr);

    std::intptr_t result = 0;
    {
        std::lock_guard<std::mutex> lock(sync_.mu);
        dialog->destroyed_ = true;
        dialog->ended_ = true;
        dialog->timers_.clear();  // a window's timers die with it
        result = dialog->result_;
        if (--queue->dialogs == 0) {
            for (SimEvent& ev : queue->events) {
                if (ev.send) ev.send->abandoned = true;
            }
            queue->events.clear();
            threads_.erase(self);
        }
        sync_.cv.notify_all();
    }
    return result;
}

std::shared_ptr<SimThreadQueue> SimUserInterface::QueueOfThreadLocked(std::thread::id id) const {
    auto it = threads_.find(id);
    return it == threads_.end() ? nullptr : it->second;
}

SimDialog* SimUserInterface::WaitForDialog(int templateId,
                                           std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(sync_.mu);
    SimDialog* found = nullptr;
    sync_.cv.wait_for(lock, timeout, [&] {
        for (auto it = dialogs_.rbegin(); it != dialogs_.rend(); ++it) {
            if ((*it)->TemplateId() == templateId && (*it)->attached_ && !(*it)->ended_) {
                found = it->get();
                return true;
            }
        }
        return false;
    });
    return found;
}

std::vector<SimDialog*> SimUserInterface::Dialogs(int templateId) const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    std::vector<SimDialog*> all;
    for (const auto& d : dialogs_) {
        if (d->TemplateId() == templateId && d->attached_) all.push_back(d.get());
    }
    return all;
}

void SimUserInterface::KeepDialogsHidden(bool hidden) {
    std::lock_guard<std::mutex> lock(sync_.mu);
    hidden_ = hidden;
}

bool SimUserInterface::DialogsHidden() const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    return hidden_;
}

void SimUserInterface::SetAutoAnswer(std::optional<int> button) {
    std::lock_guard<std::mutex> lock(sync_.mu);
    autoAnswer_ = button;
}

void SimUserInterface::AbortAll() {
    std::lock_guard<std::mutex> lock(sync_.mu);
    for (const auto& d : dialogs_) d->AbortLocked();
    aborted_ = true;
    sync_.cv.notify_all();
}

int SimUserInterface::MessageBoxA(const std::string& text, const std::string& caption,
                                  std::uint32_t type) {
    Log("MessageBoxA", caption);
    std::unique_lock<std::mutex> lock(sync_.mu);
    unownedBoxes_.push_back(MessageBoxInfo{text, caption, type, 0});
    const std::size_t index = unownedBoxes_.size() - 1;
    if (autoAnswer_ || aborted_) {
        const int answer = aborted_ ? 0
                           : MessageBoxOffers(type, *autoAnswer_) ? *autoAnswer_
                                                                  : MessageBoxDefaultButton(type);
        unownedBoxes_[index].answer = answer;
        sync_.cv.notify_all();
        return answer;
    }
    ++threadsInUnownedBoxes_;
    sync_.cv.notify_all();
    sync_.cv.wait(lock, [&] { return unownedBoxes_[index].answer != 0 || aborted_; });
    --threadsInUnownedBoxes_;
    sync_.cv.notify_all();
    return unownedBoxes_[index].answer;
}

std::vector<MessageBoxInfo> SimUserInterface::UnownedBoxes() const {
    std::lock_guard<std::mutex> lock(sync_.mu);
    return unownedBoxes_;
}

bool SimUserInterface::AnswerUnownedBox(int button) {
    std::lock_guard<std::mutex> lock(sync_.mu);
    for (MessageBoxInfo& box : unownedBoxes_) {
        if (box.answer != 0) continue;
        if (!MessageBoxOffers(box.type, button)) return false;
        box.answer = button;
        sync_.cv.notify_all();
        return true;
    }
    return false;
}

}  // namespace sim
