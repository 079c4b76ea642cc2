// A serial printer's port: the only COM port, or the one on which the
// printer answers its status query, probed one port per timer tick.
#include <cstdio>
#include <cstdlib>

#include "app/globals.h"
#include "app/installer_dlg.h"
#include "dialogs/serial_prompt_dlg.h"

namespace {

constexpr std::uint32_t kNextPortMs = 1;
constexpr std::uint32_t kAnswerWindowMs = 700;
constexpr int kSendBufferSize = 512;
// Receipt printers: DLE EOT 1, real-time status. Label printers: ESC ! ?.
constexpr std::uint8_t kReceiptQuery[3] = {0x10, 0x04, 0x01};
constexpr std::uint8_t kLabelQuery[3] = {0x1B, 0x21, 0x3F};
constexpr const char* kPortsKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
constexpr const char* kCurrentPort = "The current printer port is ";
constexpr const char* kNotDetected = "Unable to detect available printer.The current printer port is ";

// The number n of "COMn:" (the digits after the three-letter prefix, up to
// the colon); 0 when there is none, which no port opens as.
int ComNumberOf(const std::string& port) {
    const std::string digits = port.size() > 3 ? port.substr(3, port.find(':') - 3) : "";
    if (digits.empty() || digits.size() > 4 ||
        digits.find_first_not_of("0123456789") != std::string::npos) {
        return 0;
    }
    return std::atoi(digits.c_str());
}

}  // namespace

void CInstallerDlg::WritePortSettings(const std::string& port) {
    char settings[64];
    const int length = std::snprintf(settings, sizeof settings, "%d,%c,%d,%d", m_nBaudRate,
                                     static_cast<char>(m_nParity + 32), m_nDataBits, m_nStopBits);
    plat::IRegistry& registry = m_platform.registry;
    plat::RegKey key = nullptr;
    if (registry.RegOpenKeyExA(plat::RootKey::LocalMachine, kPortsKey, plat::kKeySetValue,
                               &key) != 0) {
        NoteStepFailure(StepFailure::kPortSettingsNotWritten);
        return;
    }
    // The size is the number of characters, without the terminating zero.
    if (registry.RegSetValueExA(key, port.c_str(), plat::kRegSz,
                                reinterpret_cast<const std::uint8_t*>(settings),
                                static_cast<std::uint32_t>(length)) != 0) {
        NoteStepFailure(StepFailure::kPortSettingsNotWritten);
        ShowBox(kPortsWriteFailedText, AppTitle(), plat::kMbOk);
    }
    registry.RegCloseKey(key);
}

void CInstallerDlg::RewriteSerialPrinters(const std::string& installedPrinter) {
    // The list was taken before the new printer moved: its entry would set
    // it back to the port it was created on, so it is passed over.
    for (std::size_t i = 0; i < m_saPrinterNames.size() && i < m_saPrinterPorts.size(); ++i) {
        if (m_saPrinterNames[i] == installedPrinter) continue;
        if (m_saPrinterPorts[i].compare(0, 3, "COM") == 0) {
            AssignPrinterPort(m_saPrinterNames[i].c_str(), m_saPrinterPorts[i]);
        }
    }
}

void CInstallerDlg::FinishDialog() {
    m_btnInstall.EnableWindow(true);
    m_btnInstall.SetWindowText(kFinishCaption);
    RefreshControls();
}

void CInstallerDlg::ConfigureSerialPort() {
    m_saPrinterNames.clear();
    m_saPrinterPorts.clear();
    ListInstalledPrinters(m_saPrinterNames, m_saPrinterPorts);
    m_progress.SetPos(50);
    const std::string printer = m_strPrinterName;

    if (m_saSerialPorts.size() >= 2) {
        CSerialPromptDlg prompt(m_platform.ui);
        const std::intptr_t answer = prompt.DoModalChild(*this);
        if (answer >= PORT_CHOICE_BASE &&
            answer < PORT_CHOICE_BASE + CSerialPromptDlg::kBaudRateCount) {
            m_nBaudRate = std::atoi(CSerialPromptDlg::kBaudRates[answer - PORT_CHOICE_BASE]);
            // The first tick takes the first port; no earlier reply counts.
            m_nProbeIndex = -1;
            m_bSerialReply = false;
            if (m_pWnd != nullptr) m_pWnd->SetTimer(PROBE_TIMER_ID, kNextPortMs);
        } else {
            // Not searched: the printer stays on the first serial port.
            EndInstallation(InstallOutcome::kFallbackPort);
        }
        RefreshControls();
        m_strStatus = kCurrentPort + m_saSerialPorts.front() + " ,you can set that after the installation";
        FinishDialog();
        m_progress.SetPos(100);
        return;
    }
    if (m_saSerialPorts.size() == 1) {
        const std::string port = m_saSerialPorts.front();
        AssignPrinterPort(printer.c_str(), port);
        RestartService("Spooler", plat::RestartMode::kRestart);
        WritePortSettings(port);
        RewriteSerialPrinters(printer);
        m_progress.SetPos(90);
        RestartService("Spooler", plat::RestartMode::kRestart);
        m_strStatus = kCurrentPort + port + ",you can configure after the installation";
        // The only serial port there is.
        m_installReport.portConfirmed = true;
        EndInstallation(InstallOutcome::kInstalled);
        FinishDialog();
        m_progress.SetPos(100);
        return;
    }
    RewriteSerialPrinters(printer);
    m_progress.SetPos(90);
    RestartService("Spooler", plat::RestartMode::kRestart);
    // No serial port at all: the printer stays on the port it was created
    // on (the first parallel port), as the list taken above tells.
    std::string port = "none";
    for (std::size_t i = 0; i < m_saPrinterNames.size() && i < m_saPrinterPorts.size(); ++i) {
        if (m_saPrinterNames[i] == printer) port = m_saPrinterPorts[i];
    }
    m_strStatus = kNotDetected + port;
    EndInstallation(InstallOutcome::kFallbackPort);
    FinishDialog();
    m_progress.SetPos(100);
}

void CInstallerDlg::EndProbe(const std::string& printer) {
    m_progress.SetPos(80);
    RewriteSerialPrinters(printer);
    m_progress.SetPos(90);
    RestartService("Spooler", plat::RestartMode::kRestart);
}

void CInstallerDlg::OnTimer(std::uintptr_t timerId) {
    const std::string printer = m_strPrinterName;
    const int count = static_cast<int>(m_saSerialPorts.size());

    if (m_bSerialReply && m_nProbeIndex >= 0 && m_nProbeIndex < count) {
        const std::string port = m_saSerialPorts[m_nProbeIndex];
        if (m_pWnd != nullptr) m_pWnd->KillTimer(PROBE_TIMER_ID);
        char status[128];
        std::snprintf(status, sizeof status, "%s %s", "The available printer port: ", port.c_str());
        SetStatus(status);
        if (m_serialPort.PortHandle() != nullptr) m_serialPort.Close();
        AssignPrinterPort(printer.c_str(), port);
        WritePortSettings(port);
        EndProbe(printer);
        m_installReport.portConfirmed = true;
        EndInstallation(InstallOutcome::kInstalled);
        FinishDialog();
        m_progress.SetPos(100);
    } else if (m_nProbeIndex + 1 < count) {
        const std::string port = m_saSerialPorts[++m_nProbeIndex];
        m_nComNumber = ComNumberOf(port);
        SetStatus("Checking " + port);
        if (m_serialPort.PortHandle() != nullptr) m_serialPort.Close();
        // A reply the port closed just now still delivered is not this port's.
        m_bSerialReply = false;
        const bool opened =
            m_serialPort.Open(m_pWnd, m_nComNumber, m_nBaudRate, static_cast<char>(m_nParity),
                              m_nDataBits, m_nStopBits, m_dwCommEvents, kSendBufferSize);
        if (opened && m_serialPort.StartMonitor()) {
            if (m_pWnd != nullptr) m_pWnd->SetTimer(PROBE_TIMER_ID, kAnswerWindowMs);
            const bool receipt = m_nDriverIndex < CatalogueGroups().Total();
            m_serialPort.Send(receipt ? kReceiptQuery : kLabelQuery, 3);
        } else {
            if (opened && m_serialPort.PortHandle() != nullptr) m_serialPort.Close();
            if (m_pWnd != nullptr) m_pWnd->SetTimer(PROBE_TIMER_ID, kNextPortMs);
        }
    } else {
        if (m_serialPort.PortHandle() != nullptr) m_serialPort.Close();
        if (m_pWnd != nullptr) m_pWnd->KillTimer(PROBE_TIMER_ID);
        EndProbe(printer);
        m_strStatus = kNotDetected + (count > 0 ? m_saSerialPorts.front() : std::string());
        EndInstallation(InstallOutcome::kFallbackPort);
        FinishDialog();
        m_progress.SetPos(100);
    }
    CDialog::OnTimer(timerId);
}
