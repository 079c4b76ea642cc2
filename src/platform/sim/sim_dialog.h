// One headless modal dialog. The program drives it through
// plat::IDialogWindow; a call from a thread other than the dialog's is a
// synchronous send, carried out on the dialog's thread while the caller
// waits, as SendMessage is. Tests drive it as a user would (clicks, typing,
// selection, answers to message boxes, timer ticks) and read every control,
// from their own thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "platform/sim/sim_dialog_controls.h"
#include "platform/sim/sim_templates.h"
#include "platform/sim/sim_ui_queue.h"
#include "platform/ui.h"

namespace sim {

class SimUserInterface;

// How long the test API waits by default before it reports failure.
constexpr std::chrono::milliseconds kDefaultWait{5000};

// WM_COMMAND notification of an edit box whose text changed.
constexpr int kEnChange = 0x0300;

struct MessageBoxInfo {
    std::string text;
    std::string caption;
    std::uint32_t type = 0;
    int answer = 0;  // the button pressed; 0 while the box is open
};

struct TimerCall {
    bool set;  // SetTimer, else KillTimer
    std::uintptr_t id;
    std::uint32_t elapseMs;
};

class SimDialog final : public plat::IDialogWindow {
public:
    SimDialog(SimUserInterface& ui, SimUiSync& sync, const DialogTemplate& tmpl,
              plat::IDialogHandler& handler, std::shared_ptr<SimThreadQueue> queue,
              SimDialog* parent, plat::WindowHandle hwnd);
    SimDialog(const SimDialog&) = delete;
    SimDialog& operator=(const SimDialog&) = delete;

    // plat::IDialogWindow
    plat::WindowHandle GetSafeHwnd() override;
    std::intptr_t SendMessageA(std::uint32_t msg, std::uintptr_t wParam,
                               std::intptr_t lParam) override;
    std::string GetDlgItemTextA(int id) override;
    void SetDlgItemTextA(int id, const std::string& text) override;
    void EnableDlgItem(int id, bool enable) override;
    bool IsDlgItemEnabled(int id) override;
    void CheckDlgButton(int id, std::uint32_t state) override;
    std::uint32_t IsDlgButtonChecked(int id) override;
    void ComboResetContent(int id) override;
    int ComboAddString(int id, const std::string& text) override;
    int ComboSetCurSel(int id, int index) override;
    int ComboGetCurSel(int id) override;
    int ComboGetCount(int id) override;
    std::string ComboGetLBText(int id, int index) override;
    void ListDeleteAllItems(int id) override;
    int ListGetColumnCount(int id) override;
    bool ListDeleteColumn(int id, int column) override;
    std::uint32_t ListGetExtendedStyle(int id) override;
    void ListSetExtendedStyle(int id, std::uint32_t style) override;
    int ListInsertColumn(int id, int column, const std::string& text, int format) override;
    bool ListSetColumnWidth(int id, int column, int width) override;
    int ListInsertItem(int id, int row, const std::string& text) override;
    bool ListDeleteItem(int id, int row) override;
    bool ListSetItemText(int id, int row, int column, const std::string& text) override;
    std::string ListGetItemText(int id, int row, int column) override;
    bool ListSetItemState(int id, int row, std::uint32_t state, std::uint32_t mask) override;
    std::uint32_t ListGetItemState(int id, int row, std::uint32_t mask) override;
    int ListGetItemCount(int id) override;
    void ProgressSetPos(int id, int pos) override;
    int ProgressGetPos(int id) override;
    bool SetTimer(std::uintptr_t timerId, std::uint32_t elapseMs) override;
    bool KillTimer(std::uintptr_t timerId) override;
    int MessageBoxA(const std::string& text, const std::string& caption,
                    std::uint32_t type) override;
    void EndDialog(std::intptr_t result) override;
    std::intptr_t RunModalChild(int templateId, plat::IDialogHandler& child) override;
    bool WaitServingSends(const std::function<bool()>& done, std::uint32_t timeoutMs) override;

    // ---- Test API: every member below is safe from any thread. ----
    // Readers of a control throw std::invalid_argument when the dialog has
    // no such control or it is of another kind: that is the test's mistake.
    int TemplateId() const { return tmpl_.id; }
    const DialogTemplate& Template() const { return tmpl_; }
    SimDialog* Parent() const { return parent_; }
    plat::WindowHandle Handle() const { return hwnd_; }
    std::thread::id ThreadId() const { return thread_; }

    std::string Text(int id) const;
    bool IsEnabled(int id) const;
    bool IsChecked(int id) const;
    std::vector<std::string> ComboItems(int id) const;
    int ComboSelection(int id) const;
    std::vector<ListColumn> ListColumns(int id) const;
    std::uint32_t ListExtendedStyle(int id) const;
    std::string ListItemText(int id, int row, int column) const;
    std::uint32_t ListItemState(int id, int row) const;
    int ListItemCount(int id) const;
    // Rows whose state has the selected bit, in order.
    std::vector<int> ListSelectedRows(int id) const;
    int ProgressPos(int id) const;
    std::map<std::uintptr_t, std::uint32_t> ActiveTimers() const;  // id -> elapse
    std::vector<TimerCall> TimerCalls() const;
    // Calls the program made on missing controls or controls of the wrong
    // kind: each is a fault in the program.
    std::vector<std::string> Misuses() const;

    // The user's input, posted: each returns at once, without waiting for
    // the handler, and returns false when the dialog has already ended.
    // Input reaches the handler only while this dialog is in front (no
    // modal child or message box open over it) and, for a control, only
    // while the control is enabled when the input is taken.
    bool Click(int id);  // buttons: BN_CLICKED; a check box also toggles
    bool SelectComboItem(int id, int index);  // then CBN_SELCHANGE
    bool SelectListRow(int id, int row);      // selects and focuses it alone
    bool ClearListSelection(int id);          // a click on the list's empty part
    bool TypeText(int id, const std::string& text);  // replaces the text; EN_CHANGE
    bool SetCheck(int id, bool checked);      // clicks the box when it differs
    bool Close();                             // the close box: OnClose
    bool PressEnter();   // the default button when enabled, IDOK when there is none
    bool PressEscape();  // IDCANCEL
    // A tick of an active timer (posted, not input); false when it is not set.
    bool FireTimer(std::uintptr_t timerId);
    // A synchronous message handled by OnMessage; nullopt when the dialog has
    // ended or did not answer within `timeout`.
    std::optional<std::intptr_t> SendUserMessage(std::uint32_t msg, std::uintptr_t wParam,
                                                 std::intptr_t lParam,
                                                 std::chrono::milliseconds timeout = kDefaultWait);

    // Waits until the dialog's thread sits in its loop (or in a message box)
    // with nothing queued, or the dialog is destroyed. False on timeout.
    bool WaitIdle(std::chrono::milliseconds timeout = kDefaultWait) const;
    // Waits until `predicate` (run on the caller's thread) holds.
    bool WaitUntil(const std::function<bool()>& predicate,
                   std::chrono::milliseconds timeout = kDefaultWait) const;
    bool WaitForEnd(std::chrono::milliseconds timeout = kDefaultWait) const;
    bool HasEnded() const;
    bool IsDestroyed() const;
    std::optional<std::intptr_t> Result() const;  // the EndDialog result once ended

    // Message boxes: each blocks the dialog's thread (which still serves
    // sends and timer ticks) until answered.
    std::optional<MessageBoxInfo> WaitMessageBox(
        std::chrono::milliseconds timeout = kDefaultWait) const;
    // Answers the innermost open box; false when none is open or the box
    // has no such button.
    bool AnswerMessageBox(int button);
    // Answer every later box at once with `button` (or, when the box has no
    // such button, with its default button); nullopt to ask the test again.
    void SetAutoAnswer(std::optional<int> button);
    std::vector<MessageBoxInfo> MessageBoxLog() const;

    // ---- For SimUserInterface and the queue; the caller holds the lock. ----
    bool TakesEventsLocked() const { return !ended_ && !destroyed_; }

private:
    friend class SimUserInterface;

    struct PendingBox {
        std::size_t logIndex = 0;
        std::uint32_t type = 0;
        bool answered = false;
        int answer = 0;
    };

    bool OnOwnThread() const { return std::this_thread::get_id() == thread_; }

    // Runs `fn` on the dialog's thread: directly when called there, else as
    // a send. Zero / empty when the window is gone.
    template <class F>
    auto Call(F fn) -> std::invoke_result_t<F>;
    // Runs `fn(controls)` under the lock on the dialog's thread.
    template <class F>
    auto Model(F fn) -> std::invoke_result_t<F, SimControls&>;
    // Queues a send and waits until it has run (true), or until the dialog
    // has ended before it started, or the timeout (false).
    bool SendAndWait(std::function<void()> fn, std::optional<std::chrono::milliseconds> timeout);
    bool Post(SimEvent::Kind kind, std::function<void()> fn);

    // The pieces of the dialog's own thread.
    void RunLoop();
    void PumpUserLocked(std::unique_lock<std::mutex>& lock, const std::function<bool()>& stop);
    int ShowMessageBox(const std::string& text, const std::string& caption, std::uint32_t type);
    void AbortLocked();

    // Test API helpers (lock held).
    const ControlState& InspectLocked(int id) const;
    const ControlState& InspectLocked(int id, ControlKind kind) const;
    void RequireControl(int id, std::optional<ControlKind> kind) const;

    SimUserInterface& ui_;
    SimUiSync& sync_;
    const DialogTemplate& tmpl_;
    plat::IDialogHandler& handler_;
    const std::shared_ptr<SimThreadQueue> queue_;
    const std::thread::id thread_;
    SimDialog* const parent_;
    const plat::WindowHandle hwnd_;

    // Guarded by sync_.mu.
    SimControls controls_;
    std::map<std::uintptr_t, std::uint32_t> timers_;
    std::vector<TimerCall> timerCalls_;
    bool attached_ = false;  // the handler has its window
    bool ended_ = false;
    bool destroyed_ = false;
    bool aborted_ = false;
    std::intptr_t result_ = 0;
    std::vector<std::shared_ptr<PendingBox>> boxes_;  // open, innermost last
    std::vector<MessageBoxInfo> boxLog_;
    std::optional<int> autoAnswer_;
};

}  // namespace sim
