// Label printers: their own driver and language DLLs, model data files, a
// help file and the language monitor, then the printer named after the
// driver.
#include "app/installer_dlg.h"
#include "install/catalogue.h"
#include "install/driver_record.h"

namespace {
constexpr std::uint32_t kMonitorDirectorySize = 260;
constexpr const char* kCommonFolder = "C:\\Barcode\\Common\\";
}  // namespace

bool CInstallerDlg::GetMonitorDirectory(std::string* directory) {
    char buffer[kMonitorDirectorySize] = {};
    plat::ISystem& system = m_platform.system;
    // Both calls give the length written, or the size needed when the
    // folder does not fit.
    const std::uint32_t length = m_bWow64 ? system.GetWindowsDirectoryA(buffer, kMonitorDirectorySize)
                                          : system.GetSystemDirectoryA(buffer, kMonitorDirectorySize);
    if (length == 0) {
        // An empty folder would put the monitor's DLL into the root of the
        // current drive and register it from there.
        NoteStepFailure(StepFailure::kSystemFolderUnknown);
        ShowBox(kNoSystemFolderText, kErrorCaption, plat::kMbOk | plat::kMbIconError);
        return false;
    }
    std::string folder(buffer, length < kMonitorDirectorySize ? length : 0);
    if (m_bWow64) folder += "\\SysWOW64";
    if (length >= kMonitorDirectorySize || folder.size() >= kMonitorDirectorySize) {
        ReportFolderTooLong(folder);
        return false;
    }
    *directory = folder;
    return true;
}

void CInstallerDlg::InstallLabelPrinter() {
    if (!ChoosePortForPrinter()) return;

    const ReceiptGroups groups = CatalogueGroups();
    const std::optional<LabelModel> model = LookupLabelModel(m_nDriverIndex, groups);
    if (!model) {
        // The Install command lets no such index through; nothing to install.
        EndInstallation(InstallOutcome::kUnknownDriver);
        m_btnInstall.EnableWindow(true);
        return;
    }
    const std::string driverName = model->displayName;
    const std::string key = model->key;
    const std::string printerName = m_cboDriver.GetWindowText();
    m_installReport.printer = printerName;
    m_installReport.driver = driverName;

    std::string environment;
    std::string driverDirectory;
    if (!SelectDriverEnvironment(&environment, &driverDirectory)) return;
    const std::string sourceFolder = m_bWow64 ? "C:\\Barcode\\x64\\" : "C:\\Barcode\\x86\\";
    const auto& files = m_bWow64 ? g_apszLabelFilesX64 : g_apszLabelFilesX86;

    const std::optional<plat::DriverInfo3> record =
        LabelDriverRecord(*model, files, environment, driverDirectory, GetWindowsVersionCode() == 4);
    std::string monitorDirectory;
    if (!record) ReportFolderTooLong(driverDirectory);
    if (!record || !GetMonitorDirectory(&monitorDirectory)) {
        EndInstallation(InstallOutcome::kStepFailed);
        m_btnInstall.EnableWindow(true);
        return;
    }

    const std::string monitorDll = monitorDirectory + "\\" + files[0];
    m_platform.files.CopyFileA((sourceFolder + files[0]).c_str(), monitorDll.c_str(), false);
    SetStatus(monitorDll);

    plat::ISpooler& spooler = m_platform.spooler;
    RestartService("Spooler", plat::RestartMode::kEnsureRunning);
    if (spooler.DeleteMonitorA(environment, kLanguageMonitor)) RestartService("Spooler", plat::RestartMode::kRestart);
    if (!spooler.AddMonitorA(2, plat::MonitorInfo2{kLanguageMonitor, environment, monitorDll}) &&
        m_platform.system.GetLastError() != plat::err::kPrintMonitorAlreadyInstalled) {
        EndInstallation(InstallOutcome::kMonitorRefused);
        ShowBox(kMonitorRefusedText, AppTitle(), plat::kMbOk);
        OnOK();
        return;
    }
    SetStatus(std::string(kLanguageMonitor) + " is added");

    for (const char* file : files) StageDriverFile(sourceFolder, driverDirectory, file);
    const std::string commonFiles[] = {"VORELIN.chm", key + ".BA0", key + ".DAT", key + ".PP0"};
    for (const std::string& file : commonFiles) StageDriverFile(kCommonFolder, driverDirectory, file);

    m_progress.SetPos(10);
    SetStatus("Adding printer drive " + driverName);

    if (!spooler.AddPrinterDriverExA(3, *record, plat::kAplCopyAllFiles)) {
        ReportDriverFailure(m_platform.system.GetLastError(), PrinterVariant::Label);
        return;
    }

    SetStatus("Driver " + driverName + " is added");
    // The spooler keeps its own copies; the monitor's DLL stays where the
    // spooler loads it from.
    for (const std::string& file : {commonFiles[0], commonFiles[1], commonFiles[3], commonFiles[2]}) {
        m_platform.files.DeleteFileA((driverDirectory + "\\" + file).c_str());
    }
    for (const char* file : files) m_platform.files.DeleteFileA((driverDirectory + "\\" + file).c_str());
    m_progress.SetPos(20);

    RegisterPrinter(printerName, driverName, PrinterVariant::Label);
}
