// The installer's command line: its words, and the request they make.
// Plain functions, so every good and bad command line can be tested alone.
#pragma once

#include <string>
#include <vector>

#include "unattended/printer_request.h"

enum class CommandAction { kNone, kInstall, kConfig, kVerify, kList, kRemove, kUsage };

struct CommandRequest {
    CommandAction action = CommandAction::kNone;
    PrinterRequest printer = {};     // /install and the options that go with it
    std::string configFile = {};     // /config: the printers are read from it
    std::string verifyPrinter = {};  // /verify
    std::string verifyDriver = {};   // /driver, with /verify
    std::string verifyPort = {};     // /port, with /verify
    std::string removePrinter = {};  // /remove
    bool requirePort = false;        // /requireport
    unsigned waitSeconds = 0;        // /wait: how long to wait for another installation
    bool quiet = false;              // /quiet
    std::string logFile = {};        // /log
    std::string resultFile = {};     // /result

    bool operator==(const CommandRequest&) const = default;
};

struct ParsedCommandLine {
    CommandRequest request;
    // Why the command line is refused; empty when it is good. /quiet, /log
    // and /result are taken from a refused command line too, so that the
    // refusal reaches the places the caller asked for.
    std::string error;
};

// The longest path the ANSI file calls take, without its terminating NUL.
constexpr std::size_t kMaxFilePathLength = 259;
// The longest wait for another installation: an hour, the time deployment
// systems commonly give an installation.
constexpr unsigned kMaxWaitSeconds = 3600;
// The log of a /quiet run without /log, in the system's temporary folder;
// also where a log that cannot be written goes instead.
constexpr const char* kQuietLogName = "PrinterInstaller.log";

// Splits a command line into words as the C runtime of Windows does:
// blanks separate words outside double quotes; 2n backslashes before a
// quote give n backslashes and the quote opens or closes a quoted part,
// 2n+1 give n backslashes and a literal quote; "" inside quotes is a
// literal quote; other backslashes are taken as they are.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// The request the words make, or why they make none. Options begin with
// "/" or "-" and compare without case.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& words);

// Whether the full path `path` names one of the working files or lies
// below one: the clean-up would delete it.
bool InWorkingFiles(const std::string& path);

// The text shown for /? and with a refused command line: the options and
// every exit code.
std::string UsageText();
