// Where the program under test is and where pictures go, as the ctest
// command (or a person) passes them.
#pragma once

#include <string>

namespace e2e {

struct Options {
    std::string installer;   // path of installer.exe
    std::string workingDir;  // its current directory; empty: its own folder
    std::string screenshot;  // BMP file for the picture of the ready dialog; empty: none
};

// Takes --installer=, --workdir= and --screenshot= out of argv; what is not
// given comes from E2E_INSTALLER, E2E_WORKDIR and E2E_SCREENSHOT, and the
// installer defaults to installer.exe beside this program. Other arguments
// stay for GoogleTest.
Options ParseOptions(int* argc, char** argv);

// The options main() parsed, for the tests.
const Options& TheOptions();
void SetOptions(const Options& options);

}  // namespace e2e
