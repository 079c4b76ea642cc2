// One modal dialog built from a template in the program's resources, its
// messages routed to an IDialogHandler. The host decides nothing itself:
// closing, Cancel and the end result are the handler's.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/ui.h"
#include "platform/win32/win32_windows.h"

namespace plat::win32 {

class Win32DialogWindow;

// Owns the window objects of every dialog run through it. A window object
// outlives its dialog, so a thread that still holds it after the dialog
// ended calls into an object whose calls do nothing, never into freed
// memory. A program runs a handful of dialogs, so nothing is freed before
// the store itself.
class Win32DialogWindows {
public:
    Win32DialogWindows();
    ~Win32DialogWindows();
    Win32DialogWindows(const Win32DialogWindows&) = delete;
    Win32DialogWindows& operator=(const Win32DialogWindows&) = delete;

    // Runs dialog `templateId` of the program's resources modally on the
    // calling thread, owned by `owner` (may be null). Returns the handler's
    // EndDialog result, or -1 when the dialog cannot be created.
    std::intptr_t Run(int templateId, HWND owner, IDialogHandler& handler);
    // While on, the dialogs of this store are never shown.
    void SetHidden(bool hidden) { m_hidden = hidden; }
    bool Hidden() const { return m_hidden.load(); }

private:
    std::atomic<bool> m_hidden{false};
    std::mutex m_mutex;
    std::vector<std::unique_ptr<Win32DialogWindow>> m_windows;
};

class Win32DialogWindow final : public IDialogWindow {
public:
    Win32DialogWindow(Win32DialogWindows& store, IDialogHandler& handler);
    Win32DialogWindow(const Win32DialogWindow&) = delete;
    Win32DialogWindow& operator=(const Win32DialogWindow&) = delete;

    WindowHandle GetSafeHwnd() override;
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
    std::intptr_t RunModalChild(int templateId, IDialogHandler& child) override;
    bool WaitServingSends(const std::function<bool()>& done, std::uint32_t timeoutMs) override;

private:
    friend class Win32DialogWindows;
    using Call = std::function<std::intptr_t()>;

    // DialogBoxParamA on the calling thread; once only per window object.
    std::intptr_t RunModal(int templateId, HWND owner);

    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    // Calls that only the window's own thread may make (timers, ending the
    // dialog, a child dialog, a read in two steps) run there: directly on
    // that thread, else through a synchronous send. `fallback` is the result
    // once the window is gone.
    std::intptr_t OnDialogThread(const Call& call, std::intptr_t fallback);
    bool IsDialogThread() const { return ::GetCurrentThreadId() == m_threadId.load(); }

    LRESULT SendItem(int id, UINT msg, WPARAM wParam, LPARAM lParam);

    Win32DialogWindows& m_store;
    IDialogHandler& m_handler;
    // Null before WM_INITDIALOG and from the end of WM_DESTROY on; read by
    // any thread.
    std::atomic<HWND> m_hwnd{nullptr};
    std::atomic<DWORD> m_threadId{0};
    // The call a cross-thread send is carrying; the message's lParam must
    // match it, so a stray message with that id runs nothing. One such send
    // at a time (m_callMutex); the dialog thread never takes the mutex.
    std::mutex m_callMutex;
    std::atomic<const Call*> m_pendingCall{nullptr};
};

}  // namespace plat::win32
