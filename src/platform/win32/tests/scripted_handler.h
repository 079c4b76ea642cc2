// A dialog handler for the tests: records the events it receives, in order,
// and runs the test's script at each of them. Every dialog it drives ends by
// itself after a few seconds (a guard timer), so a test that goes wrong
// fails instead of hanging.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace plat::win32::test {

constexpr std::uintptr_t kGuardTimer = 0xBAD;
constexpr std::intptr_t kGuardResult = -99;

class ScriptedHandler : public IDialogHandler {
public:
    std::function<void(IDialogWindow&)> onInit;
    std::function<void(IDialogWindow&, int id, int code)> onCommand;
    std::function<void(IDialogWindow&, std::uintptr_t)> onTimer;
    std::function<void(IDialogWindow&)> onClose;
    std::function<void(IDialogWindow&)> onDestroy;
    std::function<bool(std::uint32_t, std::uintptr_t, std::intptr_t, std::intptr_t*)> onMessage;

    std::vector<std::string> events;
    IDialogWindow* window = nullptr;

    void Attach(IDialogWindow* w) override {
        events.push_back(w != nullptr ? "attach" : "detach");
        window = w;
    }
    bool OnInitDialog() override {
        events.push_back("init");
        window->SetTimer(kGuardTimer, 5000);
        if (onInit) onInit(*window);
        return true;
    }
    void OnCommand(int id, int code) override {
        events.push_back("command " + std::to_string(id) + "/" + std::to_string(code));
        if (onCommand) onCommand(*window, id, code);
    }
    bool OnMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam,
                   std::intptr_t* result) override {
        return onMessage ? onMessage(msg, wParam, lParam, result) : false;
    }
    void OnTimer(std::uintptr_t id) override {
        if (id == kGuardTimer) {
            events.push_back("guard");
            window->EndDialog(kGuardResult);
            return;
        }
        events.push_back("timer " + std::to_string(id));
        if (onTimer) onTimer(*window, id);
    }
    void OnClose() override {
        events.push_back("close");
        if (onClose) onClose(*window);
    }
    void OnDestroy() override {
        events.push_back("destroy");
        if (onDestroy) onDestroy(*window);
    }
};

}  // namespace plat::win32::test
