#include "app/dialog.h"

std::intptr_t CDialog::DoModal() { return m_ui.DialogBoxParamA(m_nTemplateId, *this); }

std::intptr_t CDialog::DoModalChild(CDialog& owner) {
    if (owner.m_pWnd == nullptr) return -1;
    return owner.m_pWnd->RunModalChild(m_nTemplateId, *this);
}

bool CDialog::UpdateData(bool saveAndValidate) {
    if (m_pWnd == nullptr) return false;
    DoDataExchange(saveAndValidate);
    return true;
}

void CDialog::Attach(plat::IDialogWindow* window) {
    if (window != nullptr) m_pWnd = window;
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::OnCommand(int id, int /*notifyCode*/) {
    if (id == plat::kIdOk) {
        OnOK();
    } else if (id == plat::kIdCancel) {
        OnCancel();
    }
}

bool CDialog::OnMessage(std::uint32_t, std::uintptr_t, std::intptr_t, std::intptr_t*) {
    return false;
}

void CDialog::OnTimer(std::uintptr_t) {}

void CDialog::OnClose() { OnCancel(); }

void CDialog::OnDestroy() {}

void CDialog::DoDataExchange(bool) {}

void CDialog::OnOK() {
    if (UpdateData(true)) EndDialog(plat::kIdOk);
}

void CDialog::OnCancel() { EndDialog(plat::kIdCancel); }

void CDialog::EndDialog(std::intptr_t result) {
    if (m_pWnd != nullptr) m_pWnd->EndDialog(result);
}

int CDialog::ShowBox(const std::string& text, const std::string& caption,
                     std::uint32_t type) const {
    return m_pWnd != nullptr ? m_pWnd->MessageBoxA(text, caption, type) : plat::kIdCancel;
}
