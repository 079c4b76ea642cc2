// The Install button: finish, or collect the user's choices and run the
// receipt or label installation.
#include "app/globals.h"
#include "app/installer_dlg.h"
#include "install/catalogue.h"
#include "ports/port_kinds.h"

void CInstallerDlg::OnInstall() {
    UpdateData(true);
    if (m_btnInstall.GetWindowText() == kFinishCaption) {
        OnOK();
        return;
    }
    m_btnInstall.EnableWindow(false);
    m_installReport = InstallReport{};
    m_bInstalling = true;

    // The item count is asked again after every row, as the list may change.
    for (int row = 0; row < m_lstPort.GetItemCount(); ++row) {
        if (m_lstPort.GetItemState(row, plat::kLvisSelected) == plat::kLvisSelected) {
            m_nPortType = row;
            break;
        }
    }

    const std::vector<std::string>* ports[kPortKindCount] = {&m_saSerialPorts, &m_saUsbPorts,
                                                             &m_saParallelPorts, &m_saTcpipPorts};
    if (m_nPortType >= 0 && m_nPortType < kPortKindCount) {
        const std::vector<std::string>& list = *ports[m_nPortType];
        if (list.empty()) {
            g_bPortFound = false;
        } else {
            m_strPort = list.front();
        }
    }

    m_nDriverIndex = m_cboDriver.GetCurSel();
    if (std::optional<int> position = FindDriverIndex(m_cboDriver.GetWindowText())) {
        m_nDriverIndex = *position;
    }

    const ReceiptGroups groups = CatalogueGroups();
    if (!IsCatalogueIndex(m_nDriverIndex, groups)) {
        // A name of the driver list that stands in a section no model of the
        // catalogue belongs to: nothing could be installed for it.
        ShowBox(kUnknownDriverBefore + m_cboDriver.GetWindowText() + kUnknownDriverAfter,
                AppTitle(), plat::kMbOk | plat::kMbIconWarning);
        EndInstallation(InstallOutcome::kUnknownDriver);
        m_btnInstall.EnableWindow(true);
    } else if (m_nDriverIndex < groups.Total()) {
        InstallReceiptPrinter();
    } else {
        InstallLabelPrinter();
    }

    if (m_pWnd != nullptr) m_pWnd->EnableDlgItem(plat::kIdCancel, false);
    UpdateData(false);
}
