// The /result file: what a run ended with, in JSON, for the deployment
// system that started it:
//   {"outcome": "done", "exitCode": 0, "log": "C:\\install.log",
//    "printers": [{"name": "...", "driver": "...", "environment": "...",
//                  "port": "...", "portConfirmed": true, "default": true,
//                  "outcome": "done"}]}
// "logFallbackFrom" names the /log file when it could not be written and
// "log" is the one used instead.
#pragma once

#include <string>
#include <vector>

#include "unattended/outcomes.h"

struct PrinterResult {
    std::string name;
    std::string driver;
    std::string environment;
    std::string port;
    bool portConfirmed = false;
    bool isDefault = false;
    Outcome outcome = Outcome::kNotFinished;
};

struct RunResult {
    Outcome outcome = Outcome::kNotFinished;
    int exitCode = 0;
    std::vector<PrinterResult> printers;
    std::string log;              // the log file written; "" for none
    std::string logFallbackFrom;  // the /log file that could not be written
};

// The JSON text of `result`, in the program's 8-bit text: strings are
// escaped as JSON needs and otherwise left as they are.
std::string ResultJson(const RunResult& result);
