// What the receipt and label installations share: the spooler's driver
// folder, the staging copies into it, and the box for a refused driver.
#include <cstdio>

#include "app/installer_dlg.h"

namespace {
// The driver folder's buffer.
constexpr std::uint32_t kDriverDirectorySize = 255;
}  // namespace

bool CInstallerDlg::GetDriverDirectory(const char* environment, std::string* directory) {
    char buffer[kDriverDirectorySize] = {};
    std::uint32_t needed = 0;
    if (!m_platform.spooler.GetPrinterDriverDirectoryA(environment, 1, buffer,
                                                       kDriverDirectorySize, &needed)) {
        const std::uint32_t error = m_platform.system.GetLastError();
        if (needed > kDriverDirectorySize) {
            // A folder cut short would name another folder: refuse instead.
            ReportFolderTooLong("");
        } else {
            // Without the folder the files would be staged into the root of
            // the drive and left there.
            ReportNoDriverDirectory(error);
        }
        return false;
    }
    buffer[kDriverDirectorySize - 1] = '\0';
    if (buffer[0] == '\0') {
        ReportNoDriverDirectory(plat::err::kPathNotFound);
        return false;
    }
    *directory = buffer;
    return true;
}

bool CInstallerDlg::SelectDriverEnvironment(std::string* environment, std::string* directory) {
    *environment = "Windows NT x86";
    bool known = GetDriverDirectory(environment->c_str(), directory);
    if (known && m_bWow64) {
        *environment = "Windows x64";
        known = GetDriverDirectory(environment->c_str(), directory);
    }
    if (known) {
        m_installReport.environment = *environment;
    } else {
        EndInstallation(InstallOutcome::kStepFailed);
        m_btnInstall.EnableWindow(true);
    }
    return known;
}

void CInstallerDlg::ReportFolderTooLong(const std::string& folder) {
    NoteStepFailure(StepFailure::kFolderTooLong);
    const std::string named = folder.empty() ? "" : " \"" + folder + "\"";
    ShowBox(kFolderTooLongBefore + named + kFolderTooLongAfter, kErrorCaption,
            plat::kMbOk | plat::kMbIconError);
}

void CInstallerDlg::ReportNoDriverDirectory(std::uint32_t error) {
    NoteStepFailure(StepFailure::kDriverFolderUnknown);
    char text[96];
    std::snprintf(text, sizeof text, kNoDriverFolderFormat, static_cast<unsigned>(error));
    ShowBox(text, kErrorCaption, plat::kMbOk | plat::kMbIconError);
}

void CInstallerDlg::StageDriverFile(const std::string& sourceFolder,
                                    const std::string& driverDirectory, const std::string& file) {
    const std::string target = driverDirectory + "\\" + file;
    // A copy that fails shows up as a driver the spooler refuses.
    m_platform.files.CopyFileA((sourceFolder + file).c_str(), target.c_str(), false);
    SetStatus(target);
}

void CInstallerDlg::ReportDriverFailure(std::uint32_t error, PrinterVariant variant) {
    EndInstallation(InstallOutcome::kDriverRefused);
    const bool receipt = variant == PrinterVariant::Receipt;
    char text[160];
    std::snprintf(text, sizeof text, kDriverRefusedFormat, static_cast<int>(error),
                  receipt ? "Exit" : "exit");
    const int answer = ShowBox(text, receipt ? kErrorCaption : AppTitle(), plat::kMbRetryCancel);
    if (answer == plat::kIdRetry) {
        m_btnInstall.SetWindowText(kReinstallCaption);
        m_btnInstall.EnableWindow(true);
        m_progress.SetPos(0);
    } else {
        OnOK();
    }
}
