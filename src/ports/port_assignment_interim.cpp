// Moving a printer to another port by writing the spooler's registry values
// for it; the caller restarts the spooler afterwards.
#include <cstdint>

#include "app/installer_dlg.h"

void CInstallerDlg::AssignPrinterPort(const char* printerName, std::string port) {
    plat::IRegistry& registry = m_platform.registry;
    const std::string name = printerName != nullptr ? printerName : "";
    const auto* portData = reinterpret_cast<const std::uint8_t*>(port.data());
    const auto portSize = static_cast<std::uint32_t>(port.size());
    struct Step {
        plat::RootKey root;
        std::string key;
        const char* value;
    };
    const Step steps[] = {
        {plat::RootKey::LocalMachine,
         "Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\" + name, "Port"},
        {plat::RootKey::LocalMachine,
         "Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\" + name + "\\DsSpooler",
         "portName"},
        {plat::RootKey::LocalMachine, "SYSTEM\\ControlSet001\\Control\\Print\\Printers\\" + name,
         "Port"},
        {plat::RootKey::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + name,
         "Port"},
    };
    for (const Step& step : steps) {
        plat::RegKey key = nullptr;
        if (registry.RegOpenKeyExA(step.root, step.key, plat::kKeyWrite, &key) != 0) continue;
        if (registry.RegSetValueExA(key, step.value, plat::kRegSz, portData, portSize) != 0 &&
            m_pWnd != nullptr) {
            m_pWnd->MessageBoxA("Failed to read Registry", AppTitle(), plat::kMbOk);
        }
        registry.RegCloseKey(key);
    }
    plat::RegKey key = nullptr;
    if (registry.RegCreateKeyExA(plat::RootKey::CurrentConfig,
                                 "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + name,
                                 plat::kKeyAllAccess, &key) == 0) {
        const std::uint32_t offline = 0;
        if (registry.RegSetValueExA(key, "PrinterOnLine", plat::kRegDword,
                                    reinterpret_cast<const std::uint8_t*>(&offline),
                                    sizeof offline) != 0 &&
            m_pWnd != nullptr) {
            m_pWnd->MessageBoxA("Failed to read Registry", AppTitle(), plat::kMbOk);
        }
        registry.RegCloseKey(key);
    }
}
