// Moving a printer to another port by writing the spooler's registry keys;
// the change takes effect when the spooler restarts.
#include "app/installer_dlg.h"

namespace {

struct PortValue {
    const char* keyPath;  // the printer's name follows
    const char* suffix;
    const char* valueName;
};

constexpr PortValue kPortValues[] = {
    {"Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\", "", "Port"},
    {"Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\", "\\DsSpooler",
     "portName"},
    {"SYSTEM\\ControlSet001\\Control\\Print\\Printers\\", "", "Port"},
    {"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\", "", "Port"},
};
constexpr const char* kOnlineKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
constexpr long kChildMustBeVolatile = 1021;

}  // namespace

void CInstallerDlg::AssignPrinterPort(const char* printerName, std::string port) {
    // Without a name the paths would name the printers' parent keys.
    if (printerName == nullptr || *printerName == '\0') return;
    plat::IRegistry& registry = m_platform.registry;
    auto reportFailure = [this] {
        NoteStepFailure(StepFailure::kPrinterPortNotWritten);
        ShowBox(kRegistryReadFailedText, AppTitle(), plat::kMbOk);
    };

    int written = 0;
    for (const PortValue& target : kPortValues) {
        const std::string path = std::string(target.keyPath) + printerName + target.suffix;
        plat::RegKey key = nullptr;
        if (registry.RegOpenKeyExA(plat::RootKey::LocalMachine, path, plat::kKeySetValue, &key) != 0) {
            continue;
        }
        // Single-string data; the byte count leaves out the terminating NUL.
        if (registry.RegSetValueExA(key, target.valueName, plat::kRegSz,
                                    reinterpret_cast<const std::uint8_t*>(port.data()),
                                    static_cast<std::uint32_t>(port.size())) != 0) {
            reportFailure();
        } else {
            ++written;
        }
        registry.RegCloseKey(key);
    }
    // Where no key of the printer could be opened the printer stays where
    // it was; no box says so, but the installation's report does.
    if (written > 0) {
        NotePrinterPort(printerName, port);
    } else {
        NoteStepFailure(StepFailure::kPrinterPortNotWritten);
    }

    // The on-line flag lives in the current hardware profile. Where that
    // part of the registry only takes volatile keys, a volatile key serves:
    // the spooler writes the flag again after every restart anyway.
    const std::string path = std::string(kOnlineKey) + printerName;
    plat::RegKey key = nullptr;
    long created = registry.RegCreateKeyExA(plat::RootKey::CurrentConfig, path, plat::kKeyAllAccess,
                                            &key, false);
    if (created == kChildMustBeVolatile) {
        created = registry.RegCreateKeyExA(plat::RootKey::CurrentConfig, path, plat::kKeyAllAccess,
                                           &key, true);
    }
    if (created != 0) return;
    const std::uint32_t offline = 0;
    if (registry.RegSetValueExA(key, "PrinterOnLine", plat::kRegDword,
                                reinterpret_cast<const std::uint8_t*>(&offline),
                                sizeof offline) != 0) {
        reportFailure();
    }
    registry.RegCloseKey(key);
}
