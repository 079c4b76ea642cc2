// Unpacking the driver package from the current directory onto drive C:.
#include <vector>

#include "app/installer_dlg.h"

namespace {
constexpr std::uint32_t kCurrentDirectorySize = 260;
constexpr const char* kPackageName = "DriverData.Drv";
}  // namespace

void CInstallerDlg::ReadDriverPackage() {
    SetStatus("Reading driver file...");
    m_archiver.m_hOwnerWnd = m_pWnd != nullptr ? m_pWnd->GetSafeHwnd() : nullptr;

    std::vector<char> directory(kCurrentDirectorySize, '\0');
    const std::uint32_t length =
        m_platform.files.GetCurrentDirectoryA(kCurrentDirectorySize, directory.data());
    // A directory that does not fit is not cut short: a shortened path
    // could name another folder's package.
    if (length > 0 && length < kCurrentDirectorySize) {
        std::string archive(directory.data(), length);
        if (archive.back() != '\\') archive += '\\';
        archive += kPackageName;
        m_archiver.Extract(archive.c_str(), "C:\\");
    }
    m_archiver.Unload();
}
