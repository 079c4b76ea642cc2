// The application object: registers the status-refresh message and runs the
// installer dialog modally; the program ends when the dialog ends.
#pragma once

#include "platform/platform.h"

class CInstallerApp {
public:
    explicit CInstallerApp(plat::Platform& platform);

    // Runs the installer dialog to its end. Returns false, so the program
    // ends when the dialog closes (there is no main window of its own).
    bool InitInstance();

private:
    plat::Platform& m_platform;
};
