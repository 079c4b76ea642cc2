#include "working_files.h"

#include <windows.h>

#include "installer_process.h"

namespace e2e {

const std::vector<std::string>& WorkingItems() {
    static const std::vector<std::string> items = {
        "C:\\DriverName.cfg", "C:\\Ticket",        "C:\\Ticket\\x86",    "C:\\Ticket\\x64",
        "C:\\Barcode",        "C:\\Barcode\\x86", "C:\\Barcode\\x64", "C:\\Barcode\\Common",
    };
    return items;
}

std::vector<std::string> PresentWorkingItems() {
    std::vector<std::string> present;
    for (const auto& item : WorkingItems()) {
        if (GetFileAttributesA(item.c_str()) != INVALID_FILE_ATTRIBUTES) present.push_back(item);
    }
    return present;
}

std::string EffectiveWorkingDir(const Options& options) {
    return options.workingDir.empty() ? FolderOf(options.installer) : options.workingDir;
}

bool PackageAvailable(const Options& options) {
    const std::string package = EffectiveWorkingDir(options) + "\\DriverData.Drv";
    return GetFileAttributesA(package.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Join(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) text += (text.empty() ? "" : ", ") + item;
    return text.empty() ? "none" : text;
}

}  // namespace e2e
