// The driver list file: which display names to offer and which catalogue
// entry each one installs (the position of its section in the file).
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/globals.h"
#include "app/installer_dlg.h"

namespace {
constexpr const char* kDriverListFile = "C:\\DriverName.cfg";
constexpr std::uint32_t kSectionNamesSize = 3000;
constexpr std::uint32_t kDisplayNameSize = 128;
constexpr int kMaxNamesPerSection = 50;
}  // namespace

void CInstallerDlg::ReadDriverSections(
    const std::function<void(int position, const std::string& name)>& visitDisplayName) {
    std::vector<char> sections(kSectionNamesSize, '\0');
    m_platform.files.GetPrivateProfileSectionNamesA(sections.data(), kSectionNamesSize,
                                                    kDriverListFile);
    int position = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < kSectionNamesSize - 1; ++i) {
        if (sections[i] != '\0') continue;
        // Section names are handed to the reader whole, however long they
        // are, so every section keeps its position.
        const std::string section(sections.data() + start, i - start);
        for (int n = 1; n <= kMaxNamesPerSection; ++n) {
            char key[32];
            std::snprintf(key, sizeof key, "PrintName%d", n);
            char value[kDisplayNameSize] = {};
            if (m_platform.files.GetPrivateProfileStringA(section.c_str(), key, "", value,
                                                          kDisplayNameSize, kDriverListFile) == 0) {
                break;
            }
            visitDisplayName(position, std::string(value, strnlen(value, kDisplayNameSize)));
        }
        ++position;
        if (sections[i + 1] == '\0') break;
        start = i + 1;
    }
}

void CInstallerDlg::FillDriverList() {
    m_cboDriver.ResetContent();
    ReadDriverSections([this](int, const std::string& name) { m_cboDriver.AddString(name); });
    m_cboDriver.SetCurSel(0);
    OnSelchangeDriver();
    RefreshControls();
}

std::optional<int> CInstallerDlg::FindDriverIndex(const std::string& text) {
    std::optional<int> found;
    ReadDriverSections([&](int position, const std::string& name) {
        if (name == text) found = position;
    });
    return found;
}

void CInstallerDlg::OnSelchangeDriver() {
    if (m_pWnd == nullptr) return;
    m_pWnd->SetDlgItemTextA(IDC_PRINTER_NAME, m_cboDriver.GetWindowText());
}
