#include "app/system_names.h"

#include "platform/system.h"

int WindowsVersionCode(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor) {
    if (platformId == plat::kVerPlatformWin32Windows) {
        if (major != 4) return -1;
        switch (minor) {
            case 0: return 1;
            case 10: return 2;
            case 90: return 3;
            default: return -1;
        }
    }
    if (platformId != plat::kVerPlatformWin32Nt) return -1;
    if (major <= 4) return 4;
    if (major == 5) return minor <= 2 ? static_cast<int>(5 + minor) : -1;
    if (major == 6) return minor <= 3 ? static_cast<int>(8 + minor) : -1;
    if (major == 10) return 12;
    return -1;
}

const char* WindowsName(int code) {
    static const char* const kNames[] = {
        "Microsoft Windows 95 ",   "Microsoft Windows 98 ",    "Microsoft Windows Me ",
        "Microsoft Windows NT ",   "Microsoft Windows 2000 ",  "Microsoft Windows XP ",
        "Microsoft Windows 2003 ", "Microsoft Windows Vista ", "Microsoft Windows 7 ",
        "Microsoft Windows 8 ",    "Microsoft Windows 8.1 ",   "Microsoft Windows 10 ",
    };
    return code >= 1 && code <= 12 ? kNames[code - 1] : "";
}

std::string FormatSystemLine(int code, const char* wordSize) {
    return std::string("Current System is ") + WindowsName(code) + " " + wordSize;
}
