// Receipt printers: a model's GPD file and model DLL on top of the system's
// generic Unidrv driver, registered with the spooler, then the printer.
#include "app/installer_dlg.h"
#include "install/catalogue.h"
#include "install/driver_record.h"

void CInstallerDlg::InstallReceiptPrinter() {
    if (!ChoosePortForPrinter()) return;

    std::string environment;
    std::string driverDirectory;
    if (!SelectDriverEnvironment(&environment, &driverDirectory)) return;
    const std::string sourceFolder = m_bWow64 ? "C:\\Ticket\\x64\\" : "C:\\Ticket\\x86\\";

    const ReceiptGroups groups = CatalogueGroups();
    const std::optional<ReceiptModel> model = LookupReceiptModel(m_nDriverIndex, groups);
    if (!model) {
        // The Install command lets no such index through; nothing to install.
        EndInstallation(InstallOutcome::kUnknownDriver);
        m_btnInstall.EnableWindow(true);
        return;
    }
    const std::string printerName =
        m_pWnd != nullptr ? m_pWnd->GetDlgItemTextA(IDC_PRINTER_NAME) : "";
    const std::string driverName = model->displayName;
    m_installReport.printer = printerName;
    m_installReport.driver = driverName;
    const std::string modelDll = std::string(model->modelDll) + ".DLL";
    const std::string dataFile = std::string(model->key) + ".GPD";

    const std::optional<plat::DriverInfo3> record =
        ReceiptDriverRecord(*model, environment, driverDirectory, GetWindowsVersionCode() == 4);
    if (!record) {
        ReportFolderTooLong(driverDirectory);
        EndInstallation(InstallOutcome::kStepFailed);
        m_btnInstall.EnableWindow(true);
        return;
    }

    for (const std::string& file : {modelDll, dataFile, std::string("VOEMUNI.dll"),
                                    std::string("VOEMUNI.ini")}) {
        StageDriverFile(sourceFolder, driverDirectory, file);
    }
    for (const char* file : g_apszUnidrvFiles) StageDriverFile(sourceFolder, driverDirectory, file);

    m_progress.SetPos(10);
    SetStatus("Adding printer drive " + driverName);
    RestartService("Spooler", plat::RestartMode::kEnsureRunning);

    if (!m_platform.spooler.AddPrinterDriverExA(3, *record, plat::kAplCopyAllFiles)) {
        ReportDriverFailure(m_platform.system.GetLastError(), PrinterVariant::Receipt);
        return;
    }

    SetStatus("Driver " + driverName + " is added");
    // The spooler keeps its own copies; the plug-in's two files stay.
    for (const std::string& file : {modelDll, dataFile}) {
        m_platform.files.DeleteFileA((driverDirectory + "\\" + file).c_str());
    }
    for (const char* file : g_apszUnidrvFiles) {
        m_platform.files.DeleteFileA((driverDirectory + "\\" + file).c_str());
    }
    m_progress.SetPos(20);

    RegisterPrinter(printerName, driverName, PrinterVariant::Receipt);
}
