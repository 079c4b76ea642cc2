// The installer's command line: its words, and the request they make.
// Plain functions, so every good and bad command line can be tested alone.
#pragma once

#include <string>
#include <vector>

enum class CommandAction { kNone, kInstall, kList, kRemove, kUsage };

struct CommandRequest {
    CommandAction action = CommandAction::kNone;
    std::string driverName = {};    // /install
    std::string printerName = {};   // /printer; empty: named as the dialog proposes
    int portKind = -1;         // /port usb|serial|parallel|tcpip as a port-kind row; -1: none
    std::string portName = {};      // /port PORT; empty: the first port of the kind
    int baudRate = 0;          // /baud; 0: the serial prompt's preselected rate
    bool setDefault = true;    // cleared by /nodefault
    bool quiet = false;        // /quiet
    std::string logFile = {};       // /log
    std::string removePrinter = {}; // /remove

    bool operator==(const CommandRequest&) const = default;
};

struct ParsedCommandLine {
    CommandRequest request;
    // Why the command line is refused; empty when it is good. /quiet and
    // /log are taken from a refused command line too, so that the refusal
    // reaches the place the caller asked for.
    std::string error;
};

// The longest names the dialog's fields take: a driver name as the driver
// list is read into the driver box, a printer name as the spooler takes it.
constexpr std::size_t kMaxDriverNameLength = 127;
constexpr std::size_t kMaxPrinterNameLength = 220;
// The longest path the ANSI file calls take, without its terminating NUL.
constexpr std::size_t kMaxLogPathLength = 259;
// The log of a /quiet run without /log, in the system's temporary folder.
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

// The text shown for /? and with a refused command line: the options and
// every exit code.
std::string UsageText();
