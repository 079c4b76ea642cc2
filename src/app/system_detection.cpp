// Which Windows release runs the installer, and whether it is 64-bit.
#include "app/installer_dlg.h"
#include "app/system_names.h"

int CInstallerDlg::GetWindowsVersionCode() {
    plat::OsVersionInfo info;
    info.size = plat::kOsVersionInfoExSize;
    if (!m_platform.system.GetVersionExA(&info)) {
        info.size = plat::kOsVersionInfoSize;
        if (!m_platform.system.GetVersionExA(&info)) return -1;
    }
    return WindowsVersionCode(info.platformId, info.majorVersion, info.minorVersion);
}

void CInstallerDlg::DetectSystem() {
    const char* wordSize = "32 bit";
    bool wow64 = false;
    if (m_platform.system.HasIsWow64Process() && m_platform.system.IsWow64Process(&wow64)) {
        m_bWow64 = wow64;
    }
    if (m_bWow64) wordSize = "64 bit";
    SetStatus(FormatSystemLine(GetWindowsVersionCode(), wordSize));
}
