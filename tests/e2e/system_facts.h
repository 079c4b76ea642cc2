// Where an installation puts things on the Windows under test, by that
// Windows' word size. The 32-bit build is tested on 32-bit Windows (a 32-bit
// Wine prefix), where it takes its x86 paths; the 64-bit build on 64-bit
// Windows, where it takes the x64 paths as the 32-bit build does there.
#pragma once

#include <string>

#include "registry_value_guard.h"

namespace e2e {

// A release Wine can be set to report, and how the status line names it.
struct Release {
    const char* wineVersion;  // HKCU\Software\Wine "Version"; nullptr: Wine's default
    const char* shownName;    // with its trailing blank
};

// Wine's default: the USB detection's Windows 7 procedure (every port
// written, no restarts).
constexpr Release kWindows7{nullptr, "Microsoft Windows 7 "};

struct SystemFacts {
    const char* name;         // "x86" or "x64", as the test program is told
    const char* wordSize;     // as the status line ends
    const char* environment;  // the spooler environment of the drivers
    const char* driverDir;    // the spooler's driver folder for it
    // A release before Windows 7, whose USB detection restarts the spooler
    // and asks the printer on each port.
    Release restartRelease;
    // The label driver: the working folder its files come from, the
    // language monitor's DLL and where the installer puts it, the driver
    // DLL and the first and last language DLLs.
    const char* labelFolder;
    const char* monitorFile;
    const char* monitorDll;
    const char* labelDriver;
    const char* firstLanguageDll;
    const char* lastLanguageDll;

    // The registry key of driver `name` as the spooler registered it.
    std::string DriverKey(const std::string& name) const;
};

// Makes the Windows of this prefix report `release` to programs started
// while the guard lives (Wine reads the setting when a program starts).
RegistryValueGuard ReportRelease(const Release& release);

// The facts of system "x86" or "x64"; nullptr for any other name.
const SystemFacts* FindSystem(const std::string& name);
// The word size of the Windows this program runs on: "x86" or "x64".
std::string NativeSystem();
// The facts the test program was told to expect (its option --system=).
const SystemFacts& TheSystem();

}  // namespace e2e
