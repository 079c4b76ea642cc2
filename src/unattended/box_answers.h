// How an unattended run answers a message box, and what the box tells about
// the run's outcome.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "unattended/exit_codes.h"

struct BoxVerdict {
    int answer = 0;                  // the button pressed (IDOK, IDCANCEL, ...)
    std::optional<ExitCode> outcome; // what the box reports, when it reports one
};

// The careful answer to a box of `type` with nobody there: the button that
// goes no further (Cancel, else No, else Abort, else OK), never Retry; and
// the outcome the installer's texts stand for.
BoxVerdict JudgeBox(const std::string& text, const std::string& caption, std::uint32_t type);

// "OK", "Cancel", "Retry", ... for the log.
const char* ButtonName(int button);
