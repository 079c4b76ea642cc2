#include "package/working_files.h"

#include <string>

#include "app/installer_dlg.h"

bool DeleteDirectoryTree(plat::IFiles& files, const char* dir) {
    // A junction or a folder link stands for a folder elsewhere, which is
    // not the installer's to empty: refused whole.
    const std::uint32_t own = files.GetFileAttributesA(dir);
    if (own != plat::kInvalidFileAttributes && (own & plat::kFileAttributeReparsePoint)) return false;
    const std::string pattern = std::string(dir) + "//*.*";
    plat::FindData entry;
    plat::Handle find = files.FindFirstFileA(pattern.c_str(), &entry);
    if (find != nullptr) {
        bool more = true;
        while (more) {
            const std::string name = entry.fileName;
            const std::uint32_t attributes = entry.attributes;
            more = files.FindNextFileA(find, &entry);
            if (name == "." || name == "..") continue;
            // Paths past MAX_PATH are taken too: the platform reaches them.
            const std::string path = std::string(dir) + "//" + name;
            if (!(attributes & plat::kFileAttributeDirectory)) {
                files.DeleteFileA(path.c_str());  // a file link goes by itself
            } else if (attributes & plat::kFileAttributeReparsePoint) {
                files.RemoveDirectoryA(path.c_str());  // the link only, never its target
            } else {
                DeleteDirectoryTree(files, path.c_str());
            }
        }
        files.FindClose(find);
    }
    return files.RemoveDirectoryA(dir);
}

void DeleteWorkingFiles(plat::IFiles& files) {
    DeleteDirectoryTree(files, "c:\\Barcode");
    DeleteDirectoryTree(files, "c:\\Ticket");
    files.DeleteFileA("c:\\DriverName.cfg");
}

void CInstallerDlg::OnDestroy() {
    if (m_pWnd != nullptr) m_pWnd->KillTimer(PROBE_TIMER_ID);
    // A probe that waits for an answer ends with the window: no monitor
    // thread outlives it.
    m_serialPort.Close();
    // The worker may still be unpacking into the folders about to be
    // removed: let it finish first, serving its sends meanwhile.
    m_bClosing = true;
    if (m_worker.joinable() && m_pWnd != nullptr) {
        m_pWnd->WaitServingSends([this] { return m_bStartupDone.load(); }, kWorkerWaitMs);
    }
    DeleteWorkingFiles(m_platform.files);
    CDialog::OnDestroy();
}
