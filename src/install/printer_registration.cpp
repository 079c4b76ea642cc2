// Printer registration: the printer on its port with the new driver, the
// default printer, the port detection, and the end of the installation.
#include <cstdio>

#include "app/globals.h"
#include "app/installer_dlg.h"
#include "ports/port_kinds.h"

namespace {
constexpr const char* kWindowsKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
}  // namespace

void CInstallerDlg::EnableLoadDriverPrivilege() {
    plat::ISystem& system = m_platform.system;
    plat::Handle token = nullptr;
    if (!system.OpenProcessToken(plat::kTokenAdjustPrivileges | plat::kTokenQuery, &token)) return;
    plat::Luid luid;
    if (system.LookupPrivilegeValueA(nullptr, "SeLoadDriverPrivilege", &luid)) {
        system.AdjustTokenPrivileges(token, luid, plat::kSePrivilegeEnabled);
    }
    system.CloseHandle(token);
}

void CInstallerDlg::SetDefaultPrinter(const std::string& printerName) {
    plat::IRegistry& registry = m_platform.registry;
    plat::RegKey key = nullptr;
    if (registry.RegOpenKeyExA(plat::RootKey::CurrentUser, kWindowsKey, plat::kKeySetValue,
                               &key) != 0) {
        NoteStepFailure(StepFailure::kDefaultPrinterNotSet);
        return;
    }
    const std::string device = printerName + ",winspool," + m_strPort;
    // The byte count leaves out the terminating NUL.
    if (registry.RegSetValueExA(key, "Device", plat::kRegSz,
                                reinterpret_cast<const std::uint8_t*>(device.data()),
                                static_cast<std::uint32_t>(device.size())) != 0) {
        NoteStepFailure(StepFailure::kDefaultPrinterNotSet);
        ShowBox(kDefaultPrinterNotSetText, AppTitle(), plat::kMbOk);
    } else {
        m_installReport.defaultPrinter = true;
    }
    registry.RegCloseKey(key);
}

void CInstallerDlg::ReportPrinterFailure(std::uint32_t error) {
    std::string text;
    std::string caption = kPromptCaption;
    bool retry = true;
    if (error == plat::err::kUnknownPort) {
        text = kNoUsefulPortText;
    } else if (error == plat::err::kModNotFound) {
        text = kMissingFilesText;
    } else {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, kAddPrinterErrorFormat, static_cast<int>(error));
        text = buffer;
        caption = kErrorPromptCaption;
        retry = false;
    }
    EndInstallation(InstallOutcome::kPrinterNotCreated);
    ShowBox(text, caption, plat::kMbOk);
    if (retry) m_btnInstall.SetWindowText(kReinstallCaption);
    m_btnInstall.EnableWindow(true);
    m_progress.SetPos(0);
}

void CInstallerDlg::RegisterPrinter(const std::string& printerName, const std::string& driverName,
                                    PrinterVariant variant) {
    plat::ISpooler& spooler = m_platform.spooler;
    EnableLoadDriverPrivilege();

    // A serial or USB printer whose kind has no port starts on the first
    // parallel port; the detection then moves it. Without a parallel port
    // there is nowhere to create it, and that is told before a printer of
    // the same name is deleted: the user keeps it.
    const bool detected = m_nPortType == kPortSerial || m_nPortType == kPortUsb;
    std::string creationPort = m_strPort;
    if (!g_bPortFound && detected) {
        if (m_saParallelPorts.empty()) {
            ReportPrinterFailure(plat::err::kUnknownPort);
            return;
        }
        creationPort = m_saParallelPorts.front();
    }

    const plat::PrinterDefaults defaults{"RAW", plat::kPrinterAllAccess};
    if (plat::Handle existing = spooler.OpenPrinterA(printerName, defaults)) {
        SetStatus("The printer " + printerName + " exists,Re-adding the printer...");
        spooler.SetPrinterA(existing, 0, plat::kPrinterControlPurge);
        spooler.DeletePrinter(existing);
        spooler.ClosePrinter(existing);
    }

    plat::PrinterInfo2 info;
    info.printerName = printerName;
    info.portName = creationPort;
    info.driverName = driverName;
    info.printProcessor = "WinPrint";
    info.datatype = "RAW";
    plat::Handle printer = spooler.AddPrinterA(2, info);
    if (printer == nullptr) {
        ReportPrinterFailure(m_platform.system.GetLastError());
        return;
    }
    m_strPrinterName = printerName;
    m_installReport.port = creationPort;

    if (g_bPortFound) {
        SetStatus("Added the printer " + printerName);
    } else if (m_nPortType == kPortSerial) {
        SetStatus("There's no serial port,the current port is" + creationPort);
    } else if (m_nPortType == kPortUsb) {
        // The USB ports may have appeared since start-up: the spooler is
        // restarted and the lists read again, and the USB detection below
        // moves the printer. It already exists on the parallel port, so it
        // is not created a second time.
        RestartService("Spooler", plat::RestartMode::kRestart);
        EnumeratePorts();
        SetStatus("Added the printer " + printerName);
    } else {
        RefreshControls();
    }
    spooler.ClosePrinter(printer);
    m_progress.SetPos(30);

    if (m_bSetDefault) SetDefaultPrinter(printerName);

    m_progress.SetPos(40);
    m_strStatus = "Set the printer " + printerName + " to default printer";
    if (variant == PrinterVariant::Label) RefreshControls();

    if (m_nPortType == kPortSerial) {
        ConfigureSerialPort();
    } else if (m_nPortType == kPortUsb) {
        DetectUsbPort();
    }

    m_platform.system.Sleep(variant == PrinterVariant::Receipt ? 500 : 100);

    const bool serial = m_nPortType == kPortSerial;
    if (!serial) {
        m_progress.SetPos(100);
        m_strStatus = kCompletedStatus;
        EndInstallation(InstallOutcome::kInstalled);
    }
    if (variant == PrinterVariant::Receipt || !serial) {
        m_btnInstall.EnableWindow(true);
        m_btnInstall.SetWindowText(kFinishCaption);
        RefreshControls();
    }
}
