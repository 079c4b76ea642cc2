// The user interface the dialogs drive: a modal dialog built from a
// template, its controls, message boxes, timers and synchronous sends.
// Handlers (the dialog classes) receive events; they reach their window
// only through IDialogWindow.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/types.h"

namespace plat {

// Values of the Windows constants the dialogs use.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdAbort = 3;
constexpr int kIdRetry = 4;
constexpr int kIdIgnore = 5;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

constexpr std::uint32_t kMbOk = 0x0;
constexpr std::uint32_t kMbOkCancel = 0x1;
constexpr std::uint32_t kMbYesNo = 0x4;
constexpr std::uint32_t kMbRetryCancel = 0x5;
constexpr std::uint32_t kMbIconError = 0x10;
constexpr std::uint32_t kMbIconQuestion = 0x20;
constexpr std::uint32_t kMbIconWarning = 0x30;
constexpr std::uint32_t kMbIconInformation = 0x40;

constexpr int kBnClicked = 0;
constexpr int kCbnSelChange = 1;

constexpr std::uint32_t kBstUnchecked = 0;
constexpr std::uint32_t kBstChecked = 1;

constexpr std::uint32_t kLvisFocused = 0x1;
constexpr std::uint32_t kLvisSelected = 0x2;
constexpr std::uint32_t kLvsExGridLines = 0x1;
constexpr std::uint32_t kLvsExTrackSelect = 0x8;
constexpr std::uint32_t kLvsExFullRowSelect = 0x20;
constexpr int kLvcfmtLeft = 0;

constexpr std::uint32_t kWmUser = 0x0400;

class IDialogWindow;

// Events of one dialog, all delivered on the dialog's thread.
class IDialogHandler {
public:
    virtual ~IDialogHandler() = default;

    // The window this handler drives: set before OnInitDialog, cleared
    // (nullptr) after OnDestroy.
    virtual void Attach(IDialogWindow* window) = 0;
    virtual bool OnInitDialog() = 0;
    // WM_COMMAND from a control (or IDOK / IDCANCEL from the keyboard).
    virtual void OnCommand(int id, int notifyCode) = 0;
    // Any other message (registered and WM_USER messages). Returns true and
    // sets `*result` when handled.
    virtual bool OnMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam,
                           std::intptr_t* result) = 0;
    virtual void OnTimer(std::uintptr_t timerId) = 0;
    virtual void OnClose() = 0;    // the window's close command
    virtual void OnDestroy() = 0;  // the window is being destroyed
};

// One running dialog. Every call may come from any thread: from a thread
// other than the dialog's it is a synchronous send carried out on the
// dialog's thread, as SendMessage is. After the window is gone the calls do
// nothing and return zero or empty values.
class IDialogWindow {
public:
    virtual ~IDialogWindow() = default;

    virtual WindowHandle GetSafeHwnd() = 0;
    // Sends a message to the dialog itself (handled by IDialogHandler::OnMessage).
    virtual std::intptr_t SendMessageA(std::uint32_t msg, std::uintptr_t wParam,
                                       std::intptr_t lParam) = 0;

    virtual std::string GetDlgItemTextA(int id) = 0;
    virtual void SetDlgItemTextA(int id, const std::string& text) = 0;
    virtual void EnableDlgItem(int id, bool enable) = 0;
    virtual bool IsDlgItemEnabled(int id) = 0;
    virtual void CheckDlgButton(int id, std::uint32_t state) = 0;
    virtual std::uint32_t IsDlgButtonChecked(int id) = 0;

    // Combo box (CB_ messages).
    virtual void ComboResetContent(int id) = 0;
    virtual int ComboAddString(int id, const std::string& text) = 0;
    virtual int ComboSetCurSel(int id, int index) = 0;
    virtual int ComboGetCurSel(int id) = 0;
    virtual int ComboGetCount(int id) = 0;
    virtual std::string ComboGetLBText(int id, int index) = 0;

    // List view in report view (LVM_ messages; the column count is the
    // header's HDM_GETITEMCOUNT).
    virtual void ListDeleteAllItems(int id) = 0;
    virtual int ListGetColumnCount(int id) = 0;
    virtual bool ListDeleteColumn(int id, int column) = 0;
    virtual std::uint32_t ListGetExtendedStyle(int id) = 0;
    virtual void ListSetExtendedStyle(int id, std::uint32_t style) = 0;
    virtual int ListInsertColumn(int id, int column, const std::string& text, int format) = 0;
    virtual bool ListSetColumnWidth(int id, int column, int width) = 0;
    virtual int ListInsertItem(int id, int row, const std::string& text) = 0;
    virtual bool ListDeleteItem(int id, int row) = 0;
    virtual bool ListSetItemText(int id, int row, int column, const std::string& text) = 0;
    virtual std::string ListGetItemText(int id, int row, int column) = 0;
    virtual bool ListSetItemState(int id, int row, std::uint32_t state, std::uint32_t mask) = 0;
    virtual std::uint32_t ListGetItemState(int id, int row, std::uint32_t mask) = 0;
    virtual int ListGetItemCount(int id) = 0;

    // Progress bar (PBM_ messages).
    virtual void ProgressSetPos(int id, int pos) = 0;
    virtual int ProgressGetPos(int id) = 0;

    virtual bool SetTimer(std::uintptr_t timerId, std::uint32_t elapseMs) = 0;
    virtual bool KillTimer(std::uintptr_t timerId) = 0;
    // A message box owned by this dialog; returns the button pressed.
    virtual int MessageBoxA(const std::string& text, const std::string& caption,
                            std::uint32_t type) = 0;
    virtual void EndDialog(std::intptr_t result) = 0;
    // Runs a modal child dialog owned by this one; returns its EndDialog
    // result, or -1 when it cannot be created.
    virtual std::intptr_t RunModalChild(int templateId, IDialogHandler& child) = 0;
    // Called on the dialog's thread: waits until `done()` holds or
    // `timeoutMs` has passed, carrying out other threads' synchronous sends
    // meanwhile, so a thread that is sending to this dialog cannot deadlock
    // the wait. Returns whether `done()` held.
    virtual bool WaitServingSends(const std::function<bool()>& done, std::uint32_t timeoutMs) = 0;
};

class IUserInterface {
public:
    virtual ~IUserInterface() = default;

    virtual std::uint32_t RegisterWindowMessageA(const char* name) = 0;
    // Runs a top-level modal dialog from template `templateId` on the calling
    // thread; returns its EndDialog result, or -1 when it cannot be created.
    virtual std::intptr_t DialogBoxParamA(int templateId, IDialogHandler& handler) = 0;
    // While on, the dialogs run afterwards, and the modal children they
    // open, work as usual but are never shown.
    virtual void KeepDialogsHidden(bool hidden) = 0;
    // A message box owned by no window, shown by the calling thread until the
    // user answers it; returns the button pressed.
    virtual int MessageBoxA(const std::string& text, const std::string& caption,
                            std::uint32_t type) = 0;
};

}  // namespace plat
