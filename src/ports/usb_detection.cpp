// Finding the USB port a new printer hangs on: the printer is put on each
// USB port in turn until the spooler reports it on line.
#include <cstdio>

#include "app/installer_dlg.h"

namespace {
constexpr const char* kOnlineKey =
    "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Control\\"
    "Print\\Printers\\";
constexpr std::uint32_t kOnlineBufferSize = 50;
constexpr int kWindows7 = 9;
}  // namespace

void CInstallerDlg::DetectUsbPort() {
    plat::IRegistry& registry = m_platform.registry;
    // Retry searches again from the start; a loop, so that any number of
    // retries costs no stack.
    for (;;) {
        SetStatus("Checking USB ports...");
        const int versionCode = GetWindowsVersionCode();
        std::uint8_t found = 0;
        const std::string printerName = m_strPrinterName;

        for (const std::string& port : m_saUsbPorts) {
            SetStatus("Checking  " + port + " ....");
            AssignPrinterPort(printerName.c_str(), port);
            m_progress.SetPos(50);
            if (versionCode == kWindows7) {
                // The spooler of Windows 7 reports no on-line state here:
                // every port is written and the last one stays, answered
                // or not.
                found = 1;
                continue;
            }
            RestartService("Spooler", plat::RestartMode::kRestart);
            m_progress.SetPos(60);

            plat::RegKey key = nullptr;
            if (registry.RegOpenKeyExA(plat::RootKey::LocalMachine, kOnlineKey + printerName,
                                       plat::kKeyQueryValue, &key) != 0) {
                continue;
            }
            std::uint8_t data[kOnlineBufferSize] = {};
            std::uint32_t size = kOnlineBufferSize;
            if (registry.RegQueryValueExA(key, "PrinterOnLine", nullptr, data, &size) != 0) {
                ShowBox(kRegistryReadFailedText, AppTitle(), plat::kMbOk);
                registry.RegCloseKey(key);
                continue;
            }
            found = data[0];
            registry.RegCloseKey(key);
            if (found == 1) {
                m_installReport.portConfirmed = true;
                m_progress.SetPos(70);
                break;
            }
        }

        if (found != 0) break;
        if (ShowBox(kNoUsbPortText, kNoUsbPortCaption, plat::kMbRetryCancel) != plat::kIdRetry) {
            EndInstallation(InstallOutcome::kFallbackPort);
            break;
        }
    }
    m_progress.SetPos(80);
}
