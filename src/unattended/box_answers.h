// How an unattended run answers a message box.
#pragma once

#include <cstdint>
#include <string>

// The careful answer to a box of `type` with nobody there: the button that
// goes no further (Cancel, else No, else Abort, else OK), never Retry.
// What the box meant is not read from its text: the installation reports
// its outcome itself.
int CarefulAnswer(std::uint32_t type);

// "OK", "Cancel", "Retry", ... for the log.
const char* ButtonName(int button);
