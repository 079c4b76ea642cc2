// Thin views of a dialog's controls, named as the members that hold them.
// Every call is a message to the control, so any thread may use them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ui.h"

class CControl {
public:
    explicit CControl(int id) : m_nId(id) {}
    void Bind(plat::IDialogWindow* window) { m_pWnd = window; }
    int Id() const { return m_nId; }

    std::string GetWindowText() const { return m_pWnd ? m_pWnd->GetDlgItemTextA(m_nId) : ""; }
    void SetWindowText(const std::string& text) const {
        if (m_pWnd) m_pWnd->SetDlgItemTextA(m_nId, text);
    }
    void EnableWindow(bool enable = true) const {
        if (m_pWnd) m_pWnd->EnableDlgItem(m_nId, enable);
    }
    bool IsWindowEnabled() const { return m_pWnd && m_pWnd->IsDlgItemEnabled(m_nId); }

protected:
    plat::IDialogWindow* m_pWnd = nullptr;
    int m_nId;
};

using CButton = CControl;

class CProgressCtrl : public CControl {
public:
    using CControl::CControl;
    void SetPos(int pos) const {
        if (m_pWnd) m_pWnd->ProgressSetPos(m_nId, pos);
    }
};

class CComboBox : public CControl {
public:
    using CControl::CControl;
    void ResetContent() const {
        if (m_pWnd) m_pWnd->ComboResetContent(m_nId);
    }
    int AddString(const std::string& text) const {
        return m_pWnd ? m_pWnd->ComboAddString(m_nId, text) : -1;
    }
    int SetCurSel(int index) const { return m_pWnd ? m_pWnd->ComboSetCurSel(m_nId, index) : -1; }
    int GetCurSel() const { return m_pWnd ? m_pWnd->ComboGetCurSel(m_nId) : -1; }
    int GetCount() const { return m_pWnd ? m_pWnd->ComboGetCount(m_nId) : 0; }
};

class CListCtrl : public CControl {
public:
    using CControl::CControl;
    void DeleteAllItems() const {
        if (m_pWnd) m_pWnd->ListDeleteAllItems(m_nId);
    }
    int GetHeaderItemCount() const { return m_pWnd ? m_pWnd->ListGetColumnCount(m_nId) : 0; }
    bool DeleteColumn(int column) const {
        return m_pWnd && m_pWnd->ListDeleteColumn(m_nId, column);
    }
    std::uint32_t GetExtendedStyle() const {
        return m_pWnd ? m_pWnd->ListGetExtendedStyle(m_nId) : 0;
    }
    void SetExtendedStyle(std::uint32_t style) const {
        if (m_pWnd) m_pWnd->ListSetExtendedStyle(m_nId, style);
    }
    int InsertColumn(int column, const std::string& text, int format) const {
        return m_pWnd ? m_pWnd->ListInsertColumn(m_nId, column, text, format) : -1;
    }
    bool SetColumnWidth(int column, int width) const {
        return m_pWnd && m_pWnd->ListSetColumnWidth(m_nId, column, width);
    }
    int InsertItem(int row, const std::string& text) const {
        return m_pWnd ? m_pWnd->ListInsertItem(m_nId, row, text) : -1;
    }
    bool SetItemText(int row, int column, const std::string& text) const {
        return m_pWnd && m_pWnd->ListSetItemText(m_nId, row, column, text);
    }
    std::string GetItemText(int row, int column) const {
        return m_pWnd ? m_pWnd->ListGetItemText(m_nId, row, column) : "";
    }
    bool SetItemState(int row, std::uint32_t state, std::uint32_t mask) const {
        return m_pWnd && m_pWnd->ListSetItemState(m_nId, row, state, mask);
    }
    std::uint32_t GetItemState(int row, std::uint32_t mask) const {
        return m_pWnd ? m_pWnd->ListGetItemState(m_nId, row, mask) : 0;
    }
    int GetItemCount() const { return m_pWnd ? m_pWnd->ListGetItemCount(m_nId) : 0; }
};
