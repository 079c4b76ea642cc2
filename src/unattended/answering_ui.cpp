#include "unattended/answering_ui.h"


#include "dialogs/serial_prompt_dlg.h"
#include "resources/resource.h"
#include "unattended/box_answers.h"
#include "unattended/printer_request.h"

namespace {

// How long a closing dialog waits for a step that is on its way to it.
constexpr std::uint32_t kStepDrainMs = 30000;

// The captions of the modal children, for the log.
std::string ChildCaption(int templateId) {
    switch (templateId) {
        case IDD_SERIAL_PROMPT: return "Prompt(automatically select the available serial port) ";
        case IDD_PARALLEL_PORT_DIALOG: return "Select A Parallel Port";
        case IDD_TCPIP_PORT_DIALOG: return "Configure TCP/IP PrinterPort";
        default: return "dialog " + std::to_string(templateId);
    }
}

}  // namespace

// A dialog's window as its handler sees it: every call reaches the real
// window, except message boxes, which are answered here, and modal
// children, whose handlers are wrapped so that they are answered too.
class CAnsweringUserInterface::Window final : public plat::IDialogWindow {
public:
    Window(CAnsweringUserInterface& owner, plat::IDialogWindow& inner, bool topLevel)
        : m_owner(owner), m_inner(inner), m_topLevel(topLevel) {}

    bool HasTimers() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return !m_timers.empty();
    }
    void ForgetTimers() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_timers.clear();
    }

    plat::WindowHandle GetSafeHwnd() override { return m_inner.GetSafeHwnd(); }
    std::intptr_t SendMessageA(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) override {
        return m_inner.SendMessageA(msg, wParam, lParam);
    }
    std::string GetDlgItemTextA(int id) override { return m_inner.GetDlgItemTextA(id); }
    void SetDlgItemTextA(int id, const std::string& text) override {
        m_inner.SetDlgItemTextA(id, text);
        if (m_topLevel) NoteText(id, text);
    }
    void EnableDlgItem(int id, bool enable) override { m_inner.EnableDlgItem(id, enable); }
    bool IsDlgItemEnabled(int id) override { return m_inner.IsDlgItemEnabled(id); }
    void CheckDlgButton(int id, std::uint32_t state) override { m_inner.CheckDlgButton(id, state); }
    std::uint32_t IsDlgButtonChecked(int id) override { return m_inner.IsDlgButtonChecked(id); }

    void ComboResetContent(int id) override { m_inner.ComboResetContent(id); }
    int ComboAddString(int id, const std::string& text) override { return m_inner.ComboAddString(id, text); }
    int ComboSetCurSel(int id, int index) override { return m_inner.ComboSetCurSel(id, index); }
    int ComboGetCurSel(int id) override { return m_inner.ComboGetCurSel(id); }
    int ComboGetCount(int id) override { return m_inner.ComboGetCount(id); }
    std::string ComboGetLBText(int id, int index) override { return m_inner.ComboGetLBText(id, index); }

    void ListDeleteAllItems(int id) override { m_inner.ListDeleteAllItems(id); }
    int ListGetColumnCount(int id) override { return m_inner.ListGetColumnCount(id); }
    bool ListDeleteColumn(int id, int column) override { return m_inner.ListDeleteColumn(id, column); }
    std::uint32_t ListGetExtendedStyle(int id) override { return m_inner.ListGetExtendedStyle(id); }
    void ListSetExtendedStyle(int id, std::uint32_t style) override { m_inner.ListSetExtendedStyle(id, style); }
    int ListInsertColumn(int id, int column, const std::string& text, int format) override {
        return m_inner.ListInsertColumn(id, column, text, format);
    }
    bool ListSetColumnWidth(int id, int column, int width) override {
        return m_inner.ListSetColumnWidth(id, column, width);
    }
    int ListInsertItem(int id, int row, const std::string& text) override {
        return m_inner.ListInsertItem(id, row, text);
    }
    bool ListDeleteItem(int id, int row) override { return m_inner.ListDeleteItem(id, row); }
    bool ListSetItemText(int id, int row, int column, const std::string& text) override {
        return m_inner.ListSetItemText(id, row, column, text);
    }
    std::string ListGetItemText(int id, int row, int column) override {
        return m_inner.ListGetItemText(id, row, column);
    }
    bool ListSetItemState(int id, int row, std::uint32_t state, std::uint32_t mask) override {
        return m_inner.ListSetItemState(id, row, state, mask);
    }
    std::uint32_t ListGetItemState(int id, int row, std::uint32_t mask) override {
        return m_inner.ListGetItemState(id, row, mask);
    }
    int ListGetItemCount(int id) override { return m_inner.ListGetItemCount(id); }

    void ProgressSetPos(int id, int pos) override { m_inner.ProgressSetPos(id, pos); }
    int ProgressGetPos(int id) override { return m_inner.ProgressGetPos(id); }

    bool SetTimer(std::uintptr_t timerId, std::uint32_t elapseMs) override {
        const bool set = m_inner.SetTimer(timerId, elapseMs);
        if (set) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_timers.insert(timerId);
        }
        return set;
    }
    bool KillTimer(std::uintptr_t timerId) override {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_timers.erase(timerId);
        }
        return m_inner.KillTimer(timerId);
    }
    int MessageBoxA(const std::string& text, const std::string& caption, std::uint32_t type) override {
        return m_owner.AnswerBox(text, caption, type);
    }
    void EndDialog(std::intptr_t result) override { m_inner.EndDialog(result); }
    std::intptr_t RunModalChild(int templateId, plat::IDialogHandler& child) override;
    bool WaitServingSends(const std::function<bool()>& done, std::uint32_t timeoutMs) override {
        return m_inner.WaitServingSends(done, timeoutMs);
    }

private:
    // The status line and the button's caption, each time they change.
    void NoteText(int id, const std::string& text) {
        if (id != m_owner.m_statusId && id != m_owner.m_buttonId) return;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            std::string& last = id == m_owner.m_statusId ? m_lastStatus : m_lastButton;
            if (text == last) return;
            last = text;
        }
        m_owner.m_log.Write((id == m_owner.m_statusId ? "status: \"" : "button: \"") + text + "\"");
    }

    CAnsweringUserInterface& m_owner;
    plat::IDialogWindow& m_inner;
    const bool m_topLevel;
    mutable std::mutex m_mutex;
    std::set<std::uintptr_t> m_timers;
    std::string m_lastStatus;
    std::string m_lastButton;
};

// A dialog handler as the platform sees it: the installer's own handler
// gets every event; a modal child is answered as soon as it has set itself
// up, before it is ever shown; the top-level dialog runs the driver's steps.
class CAnsweringUserInterface::Handler final : public plat::IDialogHandler {
public:
    Handler(CAnsweringUserInterface& owner, plat::IDialogHandler& inner, int templateId, bool topLevel)
        : m_owner(owner), m_inner(inner), m_templateId(templateId), m_topLevel(topLevel) {}

    void Attach(plat::IDialogWindow* window) override {
        m_window = window != nullptr ? &m_owner.NewWindow(*window, m_topLevel) : nullptr;
        m_inner.Attach(m_window);
    }
    bool OnInitDialog() override {
        const bool result = m_inner.OnInitDialog();
        if (!m_topLevel && m_window != nullptr) AnswerChild();
        return result;
    }
    void OnCommand(int id, int notifyCode) override {
        if (m_topLevel && id == plat::kIdCancel && notifyCode == plat::kBnClicked) m_owner.NoteClosedByPerson();
        m_inner.OnCommand(id, notifyCode);
    }
    bool OnMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam,
                   std::intptr_t* result) override {
        if (m_topLevel && msg == m_owner.m_stepMessage && msg != 0) {
            RunStep(lParam);
            *result = 0;
            return true;
        }
        return m_inner.OnMessage(msg, wParam, lParam, result);
    }
    void OnTimer(std::uintptr_t timerId) override { m_inner.OnTimer(timerId); }
    void OnClose() override {
        if (m_topLevel) m_owner.NoteClosedByPerson();
        m_inner.OnClose();
    }
    void OnDestroy() override {
        if (m_topLevel) DrainSteps();
        m_inner.OnDestroy();
        if (m_topLevel) {
            if (m_window != nullptr) m_window->ForgetTimers();
            std::lock_guard<std::mutex> lock(m_owner.m_mutex);
            m_owner.m_ended = true;
            m_owner.m_changed.notify_all();
        }
    }

private:
    void RunStep(std::intptr_t lParam) {
        const std::function<void()>* step = nullptr;
        {
            std::lock_guard<std::mutex> lock(m_owner.m_mutex);
            // A stray message of the same id, or one that arrives while the
            // dialog closes, runs nothing.
            if (m_owner.m_ending || m_owner.m_pendingStep == nullptr ||
                reinterpret_cast<std::intptr_t>(m_owner.m_pendingStep) != lParam) {
                return;
            }
            step = m_owner.m_pendingStep;
            m_owner.m_stepRunning = true;
        }
        (*step)();
        std::lock_guard<std::mutex> lock(m_owner.m_mutex);
        m_owner.m_stepRunning = false;
    }

    // No step starts from now on, and one already on its way is served
    // (and refused) here, while the window can still take it: a send that
    // reached the window only after it was gone would never return.
    void DrainSteps() {
        {
            std::lock_guard<std::mutex> lock(m_owner.m_mutex);
            m_owner.m_ending = true;
        }
        if (m_window == nullptr) return;
        m_window->WaitServingSends(
            [this] {
                std::lock_guard<std::mutex> lock(m_owner.m_mutex);
                return !m_owner.m_inStep || m_owner.m_stepRunning;
            },
            kStepDrainMs);
    }

    void AnswerChild() {
        const std::string caption = "dialog \"" + ChildCaption(m_templateId) + "\": ";
        switch (m_templateId) {
        case IDD_SERIAL_PROMPT: {
            const int index = m_owner.Answers().baudRateIndex;
            m_window->ComboSetCurSel(IDC_BAUD_RATE, index);
            m_owner.m_log.Write(caption + "Yes, at " + m_window->ComboGetLBText(IDC_BAUD_RATE, index) +
                                " baud");
            m_inner.OnCommand(IDC_SERIAL_YES, plat::kBnClicked);
            return;
        }
        case IDD_PARALLEL_PORT_DIALOG:
        case IDD_TCPIP_PORT_DIALOG: {
            const std::string wanted = m_owner.Answers().portName;
            const int rows = m_window->ListGetItemCount(IDC_PORT_LIST);
            int chosen = -1;
            for (int row = 0; row < rows && chosen < 0; ++row) {
                if (wanted.empty() || SamePortName(m_window->ListGetItemText(IDC_PORT_LIST, row, 0), wanted)) {
                    chosen = row;
                }
            }
            if (chosen < 0) {
                m_owner.m_log.Write(caption + "Cancel, no port \"" + wanted + "\"");
                m_inner.OnCommand(IDC_DISMISS_PORT, plat::kBnClicked);
                return;
            }
            for (int row = 0; row < rows; ++row) {
                m_window->ListSetItemState(IDC_PORT_LIST, row, row == chosen ? plat::kLvisSelected : 0,
                                           plat::kLvisSelected);
            }
            m_owner.m_log.Write(caption + "OK, with \"" +
                                m_window->ListGetItemText(IDC_PORT_LIST, chosen, 0) + "\"");
            m_inner.OnCommand(IDC_CHOOSE_PORT, plat::kBnClicked);
            return;
        }
        default:
            m_owner.m_log.Write(caption + "Cancel");
            m_window->EndDialog(plat::kIdCancel);
            return;
        }
    }

    CAnsweringUserInterface& m_owner;
    plat::IDialogHandler& m_inner;
    const int m_templateId;
    const bool m_topLevel;
    Window* m_window = nullptr;
};

std::intptr_t CAnsweringUserInterface::Window::RunModalChild(int templateId, plat::IDialogHandler& child) {
    Handler answered(m_owner, child, templateId, false);
    return m_inner.RunModalChild(templateId, answered);
}

CAnsweringUserInterface::CAnsweringUserInterface(plat::IUserInterface& inner, CRunLog& log,
                                                 int statusId, int buttonId)
    : m_inner(inner),
      m_log(log),
      m_statusId(statusId),
      m_buttonId(buttonId),
      m_stepMessage(inner.RegisterWindowMessageA("PrinterInstaller.Unattended.Step")) {}

CAnsweringUserInterface::~CAnsweringUserInterface() = default;

std::uint32_t CAnsweringUserInterface::RegisterWindowMessageA(const char* name) {
    return m_inner.RegisterWindowMessageA(name);
}

std::intptr_t CAnsweringUserInterface::DialogBoxParamA(int templateId, plat::IDialogHandler& handler) {
    Handler driven(*this, handler, templateId, true);
    const std::intptr_t result = m_inner.DialogBoxParamA(templateId, driven);
    // A dialog that could not be created never reaches its destroy step.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ending = true;
    m_ended = true;
    m_changed.notify_all();
    return result;
}

void CAnsweringUserInterface::KeepDialogsHidden(bool hidden) { m_inner.KeepDialogsHidden(hidden); }

CAnsweringUserInterface::Window& CAnsweringUserInterface::NewWindow(plat::IDialogWindow& inner,
                                                                    bool topLevel) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_windows.push_back(std::make_unique<Window>(*this, inner, topLevel));
    if (topLevel) {
        m_dialog = m_windows.back().get();
        m_changed.notify_all();
    }
    return *m_windows.back();
}

int CAnsweringUserInterface::MessageBoxA(const std::string& text, const std::string& caption,
                                         std::uint32_t type) {
    return AnswerBox(text, caption, type);
}

int CAnsweringUserInterface::AnswerBox(const std::string& text, const std::string& caption,
                                       std::uint32_t type) {
    const int answer = CarefulAnswer(type);
    m_log.Write("box \"" + caption + "\": \"" + text + "\" -> " + ButtonName(answer));
    return answer;
}

ChildAnswers CAnsweringUserInterface::Answers() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_answers;
}

void CAnsweringUserInterface::SetChildAnswers(const ChildAnswers& answers) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answers = answers;
}

void CAnsweringUserInterface::NoteClosedByPerson() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closedByPerson = true;
}

bool CAnsweringUserInterface::ClosedByPerson() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closedByPerson;
}

bool CAnsweringUserInterface::WaitForDialog(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_for(lock, timeout, [this] { return m_dialog != nullptr || m_ended; });
    return m_dialog != nullptr && !m_ended;
}

bool CAnsweringUserInterface::RunOnDialog(const std::function<void()>& step) {
    bool ran = false;
    const std::function<void()> call = [&] {
        step();
        ran = true;
    };
    Window* window = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_dialog == nullptr || m_ending || m_ended) return false;
        window = m_dialog;
        m_inStep = true;
        m_pendingStep = &call;
    }
    window->SendMessageA(m_stepMessage, 0, reinterpret_cast<std::intptr_t>(&call));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_inStep = false;
    m_pendingStep = nullptr;
    m_changed.notify_all();
    return ran;
}

bool CAnsweringUserInterface::DialogEnded() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_ended;
}

bool CAnsweringUserInterface::WaitForDialogEnd(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [this] { return m_ended; });
}

plat::IDialogWindow* CAnsweringUserInterface::DialogWindow() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dialog;
}

bool CAnsweringUserInterface::TimersActive() const {
    Window* window = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        window = m_dialog;
    }
    return window != nullptr && window->HasTimers();
}

