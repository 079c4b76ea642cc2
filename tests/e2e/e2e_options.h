// Where the program under test is and where pictures go, as the ctest
// command (or a person) passes them.
#pragma once

#include <string>

namespace e2e {

struct Options {
    std::string installer;   // path of installer.exe
    std::string workingDir;  // its current directory; empty: its own folder
    std::string screenshot;  // BMP file for the picture of the ready dialog; empty: none
    std::string system;      // the Windows expected: "x86" or "x64"; empty: this one's
};

// Takes --installer=, --workdir=, --screenshot= and --system= out of argv;
// what is not given comes from E2E_INSTALLER, E2E_WORKDIR, E2E_SCREENSHOT and
// E2E_SYSTEM, and the
// installer defaults to installer.exe beside this program. Other arguments
// stay for GoogleTest.
Options ParseOptions(int* argc, char** argv);

// "" when `options` can be tested on this Windows, else why not (a system
// that is not x86 or x64, or not the one the program runs on).
std::string CheckSystem(const Options& options);

// The options main() parsed, for the tests.
const Options& TheOptions();
void SetOptions(const Options& options);

}  // namespace e2e
