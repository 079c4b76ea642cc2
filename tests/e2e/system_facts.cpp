#include "system_facts.h"

#include <windows.h>

#include "e2e_options.h"

namespace e2e {

namespace {

// XP is the release the 32-bit Windows of point-of-sale terminals mostly
// run; Wine offers it only in 32-bit prefixes, so 64-bit Windows takes 10.
const SystemFacts kSystems[] = {
    {"x86", "32 bit", "Windows NT x86", "C:\\windows\\system32\\spool\\drivers\\w32x86",
     {"winxp", "Microsoft Windows XP "}, "C:\\Barcode\\x86", "ldaNLMNT.dll",
     "C:\\windows\\system32\\ldaNLMNT.dll", "VXLDRV50.DLL", "VXLENG50.DLL", "VXLPBR50.DLL"},
    {"x64", "64 bit", "Windows x64", "C:\\windows\\system32\\spool\\drivers\\x64",
     {"win10", "Microsoft Windows 10 "}, "C:\\Barcode\\x64", "ldaNLM64.dll",
     "C:\\windows\\SysWOW64\\ldaNLM64.dll", "VXLDRV56.DLL", "VXLENG56.DLL", "VXLPBR56.DLL"},
};

}  // namespace

std::string SystemFacts::DriverKey(const std::string& driver) const {
    return std::string("SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\") + environment +
           "\\Drivers\\Version-3\\" + driver;
}

RegistryValueGuard ReportRelease(const Release& release) {
    return RegistryValueGuard(
        HKEY_CURRENT_USER, "Software\\Wine", "Version",
        release.wineVersion ? std::optional<std::string>(release.wineVersion) : std::nullopt);
}

const SystemFacts* FindSystem(const std::string& name) {
    for (const auto& system : kSystems) {
        if (name == system.name) return &system;
    }
    return nullptr;
}

std::string NativeSystem() {
    SYSTEM_INFO info{};
    GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL ? "x86" : "x64";
}

const SystemFacts& TheSystem() {
    const SystemFacts* told = FindSystem(TheOptions().system);
    return told != nullptr ? *told : *FindSystem(NativeSystem());
}

}  // namespace e2e
