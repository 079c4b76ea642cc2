#include "app/installer_dlg.h"

#include <algorithm>

#include "app/globals.h"

CInstallerDlg::CInstallerDlg(plat::Platform& platform)
    : CDialog(platform.ui, IDD_INSTALLER_DIALOG),
      m_archiver(platform),
      m_serialPort(platform),
      m_platform(platform) {}

CInstallerDlg::~CInstallerDlg() {
    // The window is gone by now, so whatever the worker still sends to it
    // returns at once and the join cannot deadlock.
    m_bClosing = true;
    if (m_worker.joinable()) m_worker.join();
}

bool CInstallerDlg::OnInitDialog() {
    for (CControl* control : std::initializer_list<CControl*>{&m_btnInstall, &m_progress,
                                                             &m_cboDriver, &m_lstPort}) {
        control->Bind(m_pWnd);
    }
    CDialog::OnInitDialog();

    m_nComNumber = 0;
    m_dwCommEvents = 3;
    m_nReceiptCount4 = 3;
    m_nParity = 'N';
    m_nDataBits = 8;
    m_nStopBits = 1;
    m_nProbeIndex = 0;
    m_bSerialReply = false;
    m_nReceiptCount1 = 15;
    m_nReceiptCount2 = 7;
    m_nReceiptCount3 = 5;
    m_nLabelCount = 5;

    FillPortTypeList();
    RefreshControls();
    m_worker = std::thread(&CInstallerDlg::StartupThreadProc, this);
    return true;
}

void CInstallerDlg::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        m_bSetDefault = m_pWnd->IsDlgButtonChecked(IDC_SET_DEFAULT) == plat::kBstChecked;
        m_strStatus = m_pWnd->GetDlgItemTextA(IDC_STATUS);
    } else {
        m_pWnd->CheckDlgButton(IDC_SET_DEFAULT,
                               m_bSetDefault ? plat::kBstChecked : plat::kBstUnchecked);
        m_pWnd->SetDlgItemTextA(IDC_STATUS, m_strStatus);
    }
}

void CInstallerDlg::OnCommand(int id, int notifyCode) {
    if (id == IDC_DRIVER_COMBO && notifyCode == plat::kCbnSelChange) {
        OnSelchangeDriver();
        return;
    }
    if (id == IDC_INSTALL && notifyCode == plat::kBnClicked) {
        OnInstall();
        return;
    }
    CDialog::OnCommand(id, notifyCode);
}

bool CInstallerDlg::OnMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t,
                              std::intptr_t* result) {
    if (msg == WM_SERIAL_BYTE) {
        m_bSerialReply = true;
        *result = 0;
        return true;
    }
    if (msg == g_nMsgUpdateData && g_nMsgUpdateData != 0) {
        *result = UpdateData(wParam != 0) ? 1 : 0;
        return true;
    }
    return false;
}

void CInstallerDlg::OnClose() { EndDialog(plat::kIdCancel); }

void CInstallerDlg::SetStatus(const std::string& text) {
    m_strStatus = text;
    RefreshControls();
}

void CInstallerDlg::RefreshControls() {
    if (m_pWnd != nullptr) m_pWnd->SendMessageA(g_nMsgUpdateData, 0, 0);
}

std::string CInstallerDlg::AppTitle() {
    std::string path = m_platform.system.GetModuleFileNameA();
    std::string::size_type slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string::size_type dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

void CInstallerDlg::EndInstallation(InstallOutcome outcome) {
    if (m_installReport.outcome == InstallOutcome::kNotFinished) m_installReport.outcome = outcome;
}

void CInstallerDlg::NoteStepFailure(StepFailure failure) {
    std::vector<StepFailure>& failures = m_installReport.failures;
    // Each kind once: a port written to four keys fails four times.
    if (m_bInstalling && std::find(failures.begin(), failures.end(), failure) == failures.end()) {
        failures.push_back(failure);
    }
}

void CInstallerDlg::NotePrinterPort(const std::string& printerName, const std::string& port) {
    if (!printerName.empty() && printerName == m_installReport.printer) m_installReport.port = port;
}
