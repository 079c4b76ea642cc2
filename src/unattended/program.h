// installer.exe's run: the dialog as a person uses it when the command line
// is empty, else the request the command line makes.
#pragma once

#include <string>

#include "platform/command_line_host.h"
#include "platform/platform.h"

// Returns the program's exit code: 0 after a run without arguments (1618 when
// another installation runs), else the code of the outcome (outcomes.h).
int RunProgram(plat::Platform& platform, plat::ICommandLineHost& host, const std::string& commandLine);
