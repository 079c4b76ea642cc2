// What the receipt and label installations share: the spooler's driver
// folder and the staging copies into it.
#include "app/installer_dlg.h"

namespace {
// The driver folder's buffer; the paths built from it must fit in
// kDriverPathSize.
constexpr std::uint32_t kDriverDirectorySize = 255;
}  // namespace

bool CInstallerDlg::GetDriverDirectory(const char* environment, std::string* directory) {
    char buffer[kDriverDirectorySize] = {};
    std::uint32_t needed = 0;
    if (!m_platform.spooler.GetPrinterDriverDirectoryA(environment, 1, buffer,
                                                       kDriverDirectorySize, &needed) &&
        needed > kDriverDirectorySize) {
        // A folder cut short would name another folder: refuse instead.
        if (m_pWnd != nullptr) {
            m_pWnd->MessageBoxA("The printer driver folder of this system is too long for this "
                                "installer.",
                                "Error", plat::kMbOk | plat::kMbIconError);
        }
        return false;
    }
    // Any other failure leaves the folder empty; the spooler then refuses
    // the driver and the user is told so.
    buffer[kDriverDirectorySize - 1] = '\0';
    *directory = buffer;
    return true;
}

void CInstallerDlg::StageDriverFile(const std::string& sourceFolder,
                                    const std::string& driverDirectory, const std::string& file) {
    const std::string target = driverDirectory + "\\" + file;
    // A copy that fails shows up as a driver the spooler refuses.
    m_platform.files.CopyFileA((sourceFolder + file).c_str(), target.c_str(), false);
    SetStatus(target);
}
