// Helpers of the simulated user interface's tests: a handler whose
// reactions each test scripts, and a runner that opens a dialog on a thread
// of its own, as the program's main thread would.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/sim/sim_ui.h"
#include "platform/ui.h"
#include "resources/resource.h"

namespace sim::testing {

class ScriptedHandler : public plat::IDialogHandler {
public:
    std::function<void()> onInit;
    std::function<void(int id, int code)> onCommand;
    std::function<std::intptr_t(std::uint32_t msg, std::uintptr_t wp, std::intptr_t lp)> onMessage;
    std::function<void(std::uintptr_t)> onTimer;
    std::function<void()> onDestroy;

    void Attach(plat::IDialogWindow* w) override {
        if (w != nullptr) window = w;
        Note(w != nullptr ? "attach" : "detach");
    }
    bool OnInitDialog() override {
        Note("init");
        if (onInit) onInit();
        return true;
    }
    void OnCommand(int id, int code) override {
        Note("command " + std::to_string(id) + "/" + std::to_string(code));
        if (onCommand) {
            onCommand(id, code);
        } else if (id == plat::kIdOk || id == plat::kIdCancel) {
            window.load()->EndDialog(id);
        }
    }
    bool OnMessage(std::uint32_t msg, std::uintptr_t wp, std::intptr_t lp,
                   std::intptr_t* result) override {
        if (!onMessage) return false;
        *result = onMessage(msg, wp, lp);
        return true;
    }
    void OnTimer(std::uintptr_t id) override {
        Note("timer " + std::to_string(id));
        if (onTimer) onTimer(id);
    }
    void OnClose() override {
        Note("close");
        window.load()->EndDialog(plat::kIdCancel);
    }
    void OnDestroy() override {
        Note("destroy");
        if (onDestroy) onDestroy();
    }

    std::vector<std::string> Events() const {
        std::lock_guard<std::mutex> lock(mu_);
        return events_;
    }
    // The window, kept after the dialog ends as the program's dialogs keep it.
    std::atomic<plat::IDialogWindow*> window{nullptr};

private:
    void Note(const std::string& what) {
        std::lock_guard<std::mutex> lock(mu_);
        events_.push_back(what);
    }
    mutable std::mutex mu_;
    std::vector<std::string> events_;
};

// Runs one top-level dialog on its own thread. The destructor ends whatever
// still runs, so a failing test cannot hang.
class DialogRunner {
public:
    DialogRunner(SimUserInterface& ui, plat::IDialogHandler& handler,
                 int templateId = IDD_INSTALLER_DIALOG)
        : ui_(ui), thread_([this, &handler, templateId] {
              dialogThread = std::this_thread::get_id();
              result = ui_.DialogBoxParamA(templateId, handler);
              finished = true;
          }) {}
    ~DialogRunner() {
        ui_.AbortAll();
        thread_.join();
    }
    DialogRunner(const DialogRunner&) = delete;
    DialogRunner& operator=(const DialogRunner&) = delete;

    std::atomic<std::intptr_t> result{0};
    std::atomic<bool> finished{false};
    std::atomic<std::thread::id> dialogThread{};

private:
    SimUserInterface& ui_;
    std::thread thread_;
};

}  // namespace sim::testing
