// Base of the program's modal dialogs: routes the platform's events to
// virtual handlers, runs the dialog modally and exchanges member data with
// controls.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ui.h"

class CDialog : public plat::IDialogHandler {
public:
    CDialog(plat::IUserInterface& ui, int templateId) : m_ui(ui), m_nTemplateId(templateId) {}
    ~CDialog() override = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog on the calling thread; returns its end result.
    std::intptr_t DoModal();
    // Runs the dialog as a modal child of `owner`; returns its end result.
    std::intptr_t DoModalChild(CDialog& owner);

    // Copies controls into members (true) or members into controls (false).
    bool UpdateData(bool saveAndValidate = true);

    plat::IDialogWindow* Window() const { return m_pWnd; }

    // plat::IDialogHandler
    void Attach(plat::IDialogWindow* window) override;
    bool OnInitDialog() override;
    void OnCommand(int id, int notifyCode) override;
    bool OnMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam,
                   std::intptr_t* result) override;
    void OnTimer(std::uintptr_t timerId) override;
    void OnClose() override;
    void OnDestroy() override;

protected:
    // Moves data between members and controls in the direction asked.
    virtual void DoDataExchange(bool saveAndValidate);
    // The framework's answers to IDOK and IDCANCEL.
    virtual void OnOK();
    virtual void OnCancel();
    void EndDialog(std::intptr_t result);
    // Shows a message box owned by the window and returns the button that
    // closed it; without a window shows nothing and returns IDCANCEL, as for
    // a box dismissed.
    int ShowBox(const std::string& text, const std::string& caption, std::uint32_t type) const;

    plat::IUserInterface& m_ui;
    // Set when the window is created and kept afterwards: the platform keeps
    // the window object alive after the dialog ends, and calls made then do
    // nothing, so a thread still holding it never sees a dangling pointer.
    plat::IDialogWindow* m_pWnd = nullptr;

private:
    int m_nTemplateId;
};
