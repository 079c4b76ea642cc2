#include "platform/win32/win32_dialog_window.h"

#include <algorithm>
#include <vector>

namespace plat::win32 {
namespace {

// The message that carries a call from another thread onto the dialog's
// thread. Registered, so it cannot collide with the handlers' own messages.
UINT InvokeMessage() {
    static const UINT message = ::RegisterWindowMessageA("PrinterInstaller.Win32Dialog.Invoke");
    return message;
}

// Messages whose dialog-procedure result is the answer itself rather than
// "handled", with the answer in DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT msg) {
    switch (msg) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}

// Longest text read back from a list view cell before giving up on growing.
constexpr int kLongestCellText = 1 << 20;

}  // namespace

Win32DialogWindows::Win32DialogWindows() = default;
Win32DialogWindows::~Win32DialogWindows() = default;

std::intptr_t Win32DialogWindows::Run(int templateId, HWND owner, IDialogHandler& handler) {
    Win32DialogWindow* window = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        window = m_windows.emplace_back(std::make_unique<Win32DialogWindow>(*this, handler)).get();
    }
    return window->RunModal(templateId, owner);
}

Win32DialogWindow::Win32DialogWindow(Win32DialogWindows& store, IDialogHandler& handler)
    : m_store(store), m_handler(handler) {}

std::intptr_t Win32DialogWindow::RunModal(int templateId, HWND owner) {
    InvokeMessage();  // registered before any other thread can need it
    m_threadId = ::GetCurrentThreadId();
    return ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), owner,
                             &Win32DialogWindow::DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK Win32DialogWindow::DialogProc(HWND hwnd, UINT msg, WPARAM wParam,
                                               LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        auto* host = reinterpret_cast<Win32DialogWindow*>(lParam);
        ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        host->m_hwnd = hwnd;
        host->m_handler.Attach(host);
        return host->m_handler.OnInitDialog() ? TRUE : FALSE;
    }
    // Messages before WM_INITDIALOG (WM_SETFONT) and after WM_DESTROY find
    // no host and get the default processing.
    auto* host = reinterpret_cast<Win32DialogWindow*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    if (host == nullptr) return FALSE;
    return host->Dispatch(hwnd, msg, wParam, lParam);
}

INT_PTR Win32DialogWindow::Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        m_handler.OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_TIMER:
        m_handler.OnTimer(wParam);
        return TRUE;
    case WM_CLOSE:
        m_handler.OnClose();
        return TRUE;
    case WM_WINDOWPOSCHANGING:
        // Every way of showing a window (the modal loop's own ShowWindow
        // included) passes here, so a hidden dialog still runs its loop,
        // its timers and its sends, but never appears.
        if (m_store.Hidden()) reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~SWP_SHOWWINDOW;
        break;
    case WM_DESTROY:
        m_handler.OnDestroy();
        m_handler.Attach(nullptr);
        m_hwnd = nullptr;
        ::SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        return FALSE;  // the default destroy handling still runs
    default:
        break;
    }
    if (msg == InvokeMessage()) {
        const Call* call = m_pendingCall.load();
        if (call == nullptr || reinterpret_cast<LPARAM>(call) != lParam) return FALSE;
        ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, (*call)());
        return TRUE;
    }
    std::intptr_t result = 0;
    if (!m_handler.OnMessage(msg, wParam, lParam, &result)) return FALSE;
    if (ReturnsResultDirectly(msg)) return result;
    ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

std::intptr_t Win32DialogWindow::OnDialogThread(const Call& call, std::intptr_t fallback) {
    if (IsDialogThread()) return m_hwnd.load() != nullptr ? call() : fallback;
    std::lock_guard<std::mutex> lock(m_callMutex);
    HWND hwnd = m_hwnd.load();
    if (hwnd == nullptr) return fallback;
    m_pendingCall = &call;
    // Like any cross-thread SendMessage this waits for the dialog's thread
    // to serve it (its message loop, or WaitServingSends); a window that is
    // gone by the time of the call fails it with 0.
    const LRESULT result =
        ::SendMessageA(hwnd, InvokeMessage(), 0, reinterpret_cast<LPARAM>(&call));
    m_pendingCall = nullptr;
    return result;
}

LRESULT Win32DialogWindow::SendItem(int id, UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = m_hwnd.load();
    if (hwnd == nullptr) return 0;
    return ::SendDlgItemMessageA(hwnd, id, msg, wParam, lParam);
}

WindowHandle Win32DialogWindow::GetSafeHwnd() { return m_hwnd.load(); }

std::intptr_t Win32DialogWindow::SendMessageA(std::uint32_t msg, std::uintptr_t wParam,
                                              std::intptr_t lParam) {
    HWND hwnd = m_hwnd.load();
    if (hwnd == nullptr) return 0;
    return ::SendMessageA(hwnd, msg, wParam, lParam);
}

std::string Win32DialogWindow::GetDlgItemTextA(int id) {
    const auto length = static_cast<int>(SendItem(id, WM_GETTEXTLENGTH, 0, 0));
    if (length <= 0) return {};
    // WM_GETTEXT never writes more than the size it is given, so text that
    // grew meanwhile is cut, not overflowed.
    std::vector<char> buf(static_cast<std::size_t>(length) + 1, '\0');
    const auto copied = static_cast<int>(
        SendItem(id, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data())));
    return std::string(buf.data(), static_cast<std::size_t>(std::clamp(copied, 0, length)));
}

void Win32DialogWindow::SetDlgItemTextA(int id, const std::string& text) {
    SendItem(id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Win32DialogWindow::EnableDlgItem(int id, bool enable) {
    HWND hwnd = m_hwnd.load();
    if (hwnd == nullptr) return;
    ::EnableWindow(::GetDlgItem(hwnd, id), enable ? TRUE : FALSE);
}

bool Win32DialogWindow::IsDlgItemEnabled(int id) {
    HWND hwnd = m_hwnd.load();
    if (hwnd == nullptr) return false;
    HWND item = ::GetDlgItem(hwnd, id);
    return item != nullptr && ::IsWindowEnabled(item) != FALSE;
}

void Win32DialogWindow::CheckDlgButton(int id, std::uint32_t state) {
    SendItem(id, BM_SETCHECK, state, 0);
}

std::uint32_t Win32DialogWindow::IsDlgButtonChecked(int id) {
    return static_cast<std::uint32_t>(SendItem(id, BM_GETCHECK, 0, 0));
}

void Win32DialogWindow::ComboResetContent(int id) { SendItem(id, CB_RESETCONTENT, 0, 0); }

int Win32DialogWindow::ComboAddString(int id, const std::string& text) {
    return static_cast<int>(SendItem(id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

int Win32DialogWindow::ComboSetCurSel(int id, int index) {
    return static_cast<int>(SendItem(id, CB_SETCURSEL, static_cast<WPARAM>(index), 0));
}

int Win32DialogWindow::ComboGetCurSel(int id) {
    return static_cast<int>(SendItem(id, CB_GETCURSEL, 0, 0));
}

int Win32DialogWindow::ComboGetCount(int id) {
    return static_cast<int>(SendItem(id, CB_GETCOUNT, 0, 0));
}

std::string Win32DialogWindow::ComboGetLBText(int id, int index) {
    // CB_GETLBTEXT takes no buffer size: the length and the text are read in
    // one go on the dialog's thread, so no other thread can change the item
    // between the two.
    std::string text;
    OnDialogThread(
        [&]() -> std::intptr_t {
            const auto length =
                static_cast<int>(SendItem(id, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0));
            if (length <= 0) return 0;
            std::vector<char> buf(static_cast<std::size_t>(length) + 1, '\0');
            const auto copied = static_cast<int>(SendItem(
                id, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.data())));
            text.assign(buf.data(), static_cast<std::size_t>(std::clamp(copied, 0, length)));
            return copied;
        },
        0);
    return text;
}

void Win32DialogWindow::ListDeleteAllItems(int id) { SendItem(id, LVM_DELETEALLITEMS, 0, 0); }

int Win32DialogWindow::ListGetColumnCount(int id) {
    auto header = reinterpret_cast<HWND>(SendItem(id, LVM_GETHEADER, 0, 0));
    if (header == nullptr) return 0;
    return static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
}

bool Win32DialogWindow::ListDeleteColumn(int id, int column) {
    return SendItem(id, LVM_DELETECOLUMN, static_cast<WPARAM>(column), 0) != 0;
}

std::uint32_t Win32DialogWindow::ListGetExtendedStyle(int id) {
    return static_cast<std::uint32_t>(SendItem(id, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
}

void Win32DialogWindow::ListSetExtendedStyle(int id, std::uint32_t style) {
    // Mask 0: every extended style bit takes the value in `style`.
    SendItem(id, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(style));
}

int Win32DialogWindow::ListInsertColumn(int id, int column, const std::string& text, int format) {
    std::string textCopy = text;  // LVCOLUMNA wants a writable pointer
    LVCOLUMNA col{};
    // The sub-item is named so that column n shows the items' sub-item n
    // wherever the column is inserted.
    col.mask = LVCF_FMT | LVCF_TEXT | LVCF_SUBITEM;
    col.fmt = format;
    col.pszText = textCopy.data();
    col.iSubItem = column;
    return static_cast<int>(SendItem(id, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column),
                                     reinterpret_cast<LPARAM>(&col)));
}

bool Win32DialogWindow::ListSetColumnWidth(int id, int column, int width) {
    return SendItem(id, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                    MAKELPARAM(static_cast<WORD>(width), 0)) != 0;
}

int Win32DialogWindow::ListInsertItem(int id, int row, const std::string& text) {
    std::string textCopy = text;
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = 0;
    item.pszText = textCopy.data();
    return static_cast<int>(SendItem(id, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool Win32DialogWindow::ListDeleteItem(int id, int row) {
    return SendItem(id, LVM_DELETEITEM, static_cast<WPARAM>(row), 0) != 0;
}

bool Win32DialogWindow::ListSetItemText(int id, int row, int column, const std::string& text) {
    std::string textCopy = text;
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = textCopy.data();
    return SendItem(id, LVM_SETITEMTEXTA, static_cast<WPARAM>(row),
                    reinterpret_cast<LPARAM>(&item)) != 0;
}

std::string Win32DialogWindow::ListGetItemText(int id, int row, int column) {
    // The control reports only how much it copied; a copy that fills the
    // buffer may have been cut, so the buffer grows until it does not.
    for (int size = 256; size <= kLongestCellText; size *= 2) {
        std::vector<char> buf(static_cast<std::size_t>(size), '\0');
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = buf.data();
        item.cchTextMax = size;
        const auto copied = static_cast<int>(SendItem(id, LVM_GETITEMTEXTA,
                                                      static_cast<WPARAM>(row),
                                                      reinterpret_cast<LPARAM>(&item)));
        if (copied < size - 1) {
            return std::string(buf.data(), static_cast<std::size_t>(std::max(copied, 0)));
        }
    }
    return {};
}

bool Win32DialogWindow::ListSetItemState(int id, int row, std::uint32_t state,
                                         std::uint32_t mask) {
    LVITEMA item{};
    item.state = state;
    item.stateMask = mask;
    return SendItem(id, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                    reinterpret_cast<LPARAM>(&item)) != 0;
}

std::uint32_t Win32DialogWindow::ListGetItemState(int id, int row, std::uint32_t mask) {
    return static_cast<std::uint32_t>(
        SendItem(id, LVM_GETITEMSTATE, static_cast<WPARAM>(row), static_cast<LPARAM>(mask)));
}

int Win32DialogWindow::ListGetItemCount(int id) {
    return static_cast<int>(SendItem(id, LVM_GETITEMCOUNT, 0, 0));
}

void Win32DialogWindow::ProgressSetPos(int id, int pos) {
    SendItem(id, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
}

int Win32DialogWindow::ProgressGetPos(int id) {
    return static_cast<int>(SendItem(id, PBM_GETPOS, 0, 0));
}

bool Win32DialogWindow::SetTimer(std::uintptr_t timerId, std::uint32_t elapseMs) {
    // A window's timers can only be set by the window's own thread.
    return OnDialogThread(
               [&]() -> std::intptr_t {
                   return ::SetTimer(m_hwnd.load(), timerId, elapseMs, nullptr) != 0;
               },
               0) != 0;
}

bool Win32DialogWindow::KillTimer(std::uintptr_t timerId) {
    return OnDialogThread(
               [&]() -> std::intptr_t { return ::KillTimer(m_hwnd.load(), timerId); }, 0) != 0;
}

int Win32DialogWindow::MessageBoxA(const std::string& text, const std::string& caption,
                                   std::uint32_t type) {
    HWND hwnd = m_hwnd.load();
    if (hwnd == nullptr) return 0;
    return ::MessageBoxA(hwnd, text.c_str(), caption.c_str(), type);
}

void Win32DialogWindow::EndDialog(std::intptr_t result) {
    OnDialogThread(
        [&]() -> std::intptr_t { return ::EndDialog(m_hwnd.load(), result); }, 0);
}

std::intptr_t Win32DialogWindow::RunModalChild(int templateId, IDialogHandler& child) {
    // The child's modal loop runs on the owner's thread, like any dialog
    // the handler opens itself.
    return OnDialogThread(
        [&]() -> std::intptr_t { return m_store.Run(templateId, m_hwnd.load(), child); }, -1);
}

bool Win32DialogWindow::WaitServingSends(const std::function<bool()>& done,
                                         std::uint32_t timeoutMs) {
    const DWORD start = ::GetTickCount();
    const bool serve = IsDialogThread();
    while (!done()) {
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs) return done();
        const DWORD slice = std::min<DWORD>(10, timeoutMs - elapsed);
        if (!serve) {
            ::Sleep(slice);
            continue;
        }
        // Wakes for a message another thread sends to this one, and the
        // peek carries it out (sent messages are dispatched inside
        // PeekMessage); nothing posted is taken from the queue.
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, slice, QS_SENDMESSAGE);
        MSG m;
        ::PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    return true;
}

}  // namespace plat::win32
