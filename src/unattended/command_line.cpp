#include "unattended/command_line.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "package/working_files.h"
#include "ports/port_kinds.h"
#include "unattended/outcomes.h"

namespace {

std::string Lower(std::string text) {
    for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return text;
}

enum class Option {
    kInstall, kConfig, kVerify, kList, kRemove, kHelp, kPrinter, kPort, kBaud, kNoDefault,
    kRequirePort, kDriver, kWait, kQuiet, kLog, kResult
};

struct OptionName {
    const char* name;
    Option option;
    bool takesValue;
};

constexpr OptionName kOptions[] = {
    {"install", Option::kInstall, true},   {"config", Option::kConfig, true},
    {"verify", Option::kVerify, true},     {"list", Option::kList, false},
    {"remove", Option::kRemove, true},     {"?", Option::kHelp, false},
    {"help", Option::kHelp, false},        {"printer", Option::kPrinter, true},
    {"port", Option::kPort, true},         {"baud", Option::kBaud, true},
    {"nodefault", Option::kNoDefault, false}, {"requireport", Option::kRequirePort, false},
    {"driver", Option::kDriver, true},     {"wait", Option::kWait, true},
    {"quiet", Option::kQuiet, false},      {"log", Option::kLog, true},
    {"result", Option::kResult, true},
};

const OptionName* FindOption(const std::string& word) {
    if (word.size() < 2 || (word[0] != '/' && word[0] != '-')) return nullptr;
    const std::string name = Lower(word.substr(1));
    for (const OptionName& option : kOptions) {
        if (name == option.name) return &option;
    }
    return nullptr;
}

bool IsOptionWord(const std::string& word) {
    return word.size() >= 2 && (word[0] == '/' || word[0] == '-');
}

// Which actions each option goes with.
struct OptionUse {
    Option option;
    const char* name;
    std::set<CommandAction> actions;
};

const OptionUse kOptionUses[] = {
    {Option::kPrinter, "/printer", {CommandAction::kInstall}},
    {Option::kBaud, "/baud", {CommandAction::kInstall}},
    {Option::kNoDefault, "/nodefault", {CommandAction::kInstall}},
    {Option::kPort, "/port", {CommandAction::kInstall, CommandAction::kVerify}},
    {Option::kDriver, "/driver", {CommandAction::kVerify}},
    {Option::kRequirePort, "/requireport", {CommandAction::kInstall, CommandAction::kConfig}},
    {Option::kWait, "/wait",
     {CommandAction::kInstall, CommandAction::kConfig, CommandAction::kList, CommandAction::kRemove}},
};

std::string ActionList(const std::set<CommandAction>& actions) {
    static const char* const kNames[] = {"", "/install", "/config", "/verify", "/list", "/remove", "/?"};
    std::string text;
    for (CommandAction action : actions) {
        text += (text.empty() ? "" : " or ") + std::string(kNames[static_cast<int>(action)]);
    }
    return text;
}

// Parses one word list, noting the first fault and going on, so that
// /quiet, /log and /result are known however the line is wrong.
class Parser {
public:
    explicit Parser(const std::vector<std::string>& words) : m_words(words) {}

    ParsedCommandLine Run() {
        for (m_index = 0; m_index < m_words.size(); ++m_index) Take(m_words[m_index]);
        CheckCombination();
        return ParsedCommandLine{m_request, m_error};
    }

private:
    void Fail(const std::string& error) {
        if (m_error.empty() && !error.empty()) m_error = error;
    }

    void Take(const std::string& word) {
        const OptionName* option = FindOption(word);
        if (option == nullptr) {
            Fail(IsOptionWord(word) ? "unknown option " + word : "unexpected word \"" + word + "\"");
            return;
        }
        std::string value;
        if (option->takesValue) {
            // A missing value is not taken from the next option.
            if (m_index + 1 >= m_words.size() || FindOption(m_words[m_index + 1]) != nullptr ||
                m_words[m_index + 1].empty()) {
                Fail(word + " needs a value");
                return;
            }
            value = m_words[++m_index];
        }
        if (!m_seen.insert(option->option).second) {
            Fail(word + " is given twice");
            return;
        }
        Apply(option->option, word, value);
    }

    // False (and the fault noted) when `value` is longer than `longest`.
    bool Fits(const std::string& value, std::size_t longest, const char* what) {
        if (value.size() <= longest) return true;
        Fail(std::string(what) + " is longer than " + std::to_string(longest) + " characters");
        return false;
    }

    void SetAction(CommandAction action) {
        if (m_request.action != CommandAction::kNone) {
            Fail("only one of /install, /config, /verify, /list, /remove and /? can be given");
            return;
        }
        m_request.action = action;
    }

    void Apply(Option option, const std::string& word, const std::string& value) {
        PrinterRequest& printer = m_request.printer;
        switch (option) {
        case Option::kInstall:
            SetAction(CommandAction::kInstall);
            Fail(TakeDriverName(value, &printer));
            break;
        case Option::kConfig:
            SetAction(CommandAction::kConfig);
            if (Fits(value, kMaxFilePathLength, "the file's path")) m_request.configFile = value;
            break;
        case Option::kVerify:
            SetAction(CommandAction::kVerify);
            Fits(value, kMaxPrinterNameLength, "the printer name");
            m_request.verifyPrinter = value;
            break;
        case Option::kList: SetAction(CommandAction::kList); break;
        case Option::kRemove:
            SetAction(CommandAction::kRemove);
            Fits(value, kMaxPrinterNameLength, "the printer name");
            m_request.removePrinter = value;
            break;
        case Option::kHelp: SetAction(CommandAction::kUsage); break;
        case Option::kPrinter: Fail(TakePrinterName(value, &printer)); break;
        // Read once the action is known: /verify takes a port's name only.
        case Option::kPort: m_portValue = value; break;
        case Option::kBaud: {
            const std::string error = TakeBaudRate(value, &printer);
            if (!error.empty()) Fail(word + ": " + error);
            break;
        }
        case Option::kNoDefault: printer.setDefault = false; break;
        case Option::kRequirePort: m_request.requirePort = true; break;
        case Option::kDriver:
            Fits(value, kMaxDriverNameLength, "the driver name");
            m_request.verifyDriver = value;
            break;
        case Option::kWait:
            if (value.find_first_not_of("0123456789") != std::string::npos || value.size() > 4 ||
                static_cast<unsigned>(std::atoi(value.c_str())) > kMaxWaitSeconds) {
                Fail(word + " takes a number of seconds from 0 to " + std::to_string(kMaxWaitSeconds));
            } else {
                m_request.waitSeconds = static_cast<unsigned>(std::atoi(value.c_str()));
            }
            break;
        case Option::kQuiet: m_request.quiet = true; break;
        case Option::kLog:
            if (Fits(value, kMaxFilePathLength, "the log file's path")) m_request.logFile = value;
            break;
        case Option::kResult:
            if (Fits(value, kMaxFilePathLength, "the result file's path")) m_request.resultFile = value;
            break;
        }
    }

    void CheckCombination() {
        const CommandAction action = m_request.action;
        if (action == CommandAction::kNone) {
            Fail("nothing to do: give /install, /config, /verify, /list or /remove");
            return;
        }
        for (const OptionUse& use : kOptionUses) {
            if (m_seen.count(use.option) != 0 && use.actions.count(action) == 0) {
                Fail(std::string(use.name) + " goes with " + ActionList(use.actions) + " only");
            }
        }
        if (m_seen.count(Option::kPort) != 0) {
            if (action == CommandAction::kVerify) {
                PrinterRequest kind;
                if (TakePort(m_portValue, &kind).empty() && !kind.portName.empty()) {
                    m_request.verifyPort = m_portValue;
                } else {
                    Fail("with /verify, /port names a port, such as USB001 or LPT1:");
                }
            } else {
                const std::string error = TakePort(m_portValue, &m_request.printer);
                if (!error.empty()) Fail("/port: " + error);
            }
        }
        const PrinterRequest& printer = m_request.printer;
        if (printer.baudRate != 0 && printer.portKind >= 0 && printer.portKind != kPortSerial) {
            Fail("/baud goes with serial printers only");
        }
        if (!m_request.logFile.empty() && SameText(m_request.logFile, m_request.resultFile)) {
            Fail("/log and /result cannot name the same file");
        }
    }

    const std::vector<std::string>& m_words;
    std::size_t m_index = 0;
    CommandRequest m_request;
    std::set<Option> m_seen;
    std::string m_portValue;
    std::string m_error;
};

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    const std::size_t n = commandLine.size();
    std::size_t i = 0;
    while (i < n) {
        const char ch = commandLine[i];
        if (!quoted && (ch == ' ' || ch == '\t')) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
            ++i;
            continue;
        }
        inWord = true;
        if (ch == '\\') {
            std::size_t end = i;
            while (end < n && commandLine[end] == '\\') ++end;
            const std::size_t count = end - i;
            if (end < n && commandLine[end] == '"') {
                word.append(count / 2, '\\');
                // An odd count escapes the quote; an even one leaves it to
                // open or close a quoted part.
                if (count % 2 == 1) {
                    word += '"';
                    ++end;
                }
            } else {
                word.append(count, '\\');
            }
            i = end;
        } else if (ch == '"') {
            if (quoted && i + 1 < n && commandLine[i + 1] == '"') {
                word += '"';
                i += 2;
            } else {
                quoted = !quoted;
                ++i;
            }
        } else {
            word += ch;
            ++i;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& words) {
    return Parser(words).Run();
}

bool InWorkingFiles(const std::string& path) {
    std::string wanted = Lower(path);
    std::replace(wanted.begin(), wanted.end(), '/', '\\');
    return std::any_of(std::begin(kWorkingPaths), std::end(kWorkingPaths), [&](const char* working) {
        const std::string prefix = Lower(working);
        return wanted == prefix || wanted.rfind(prefix + "\\", 0) == 0;
    });
}

std::string UsageText() {
    std::string text =
        "installer.exe /install \"DRIVER NAME\" [/printer \"NAME\"]\r\n"
        "              [/port usb|serial|parallel|tcpip|tcpip:HOST[:PORT]|PORT]\r\n"
        "              [/baud RATE] [/nodefault] [/requireport] [/wait SECONDS]\r\n"
        "              [/quiet] [/log FILE] [/result FILE]\r\n"
        "installer.exe /config FILE [/requireport] [/wait SECONDS] [/quiet]\r\n"
        "              [/log FILE] [/result FILE]\r\n"
        "installer.exe /verify \"PRINTER\" [/driver \"DRIVER NAME\"] [/port PORT]\r\n"
        "              [/log FILE] [/result FILE]\r\n"
        "installer.exe /list [/wait SECONDS] [/quiet] [/log FILE] [/result FILE]\r\n"
        "installer.exe /remove \"PRINTER\" [/wait SECONDS] [/quiet] [/log FILE] [/result FILE]\r\n"
        "\r\n"
        "/install   installs the driver of that name from DriverData.Drv (see /list)\r\n"
        "           and a printer, answering every question as a careful person\r\n"
        "           would: Retry/Cancel questions are answered Cancel. Run again,\r\n"
        "           it installs the printer again and ends as before.\r\n"
        "/printer   the printer's name (default: the driver name; label printers\r\n"
        "           always take the driver name)\r\n"
        "/port      the kind of port (default: the kind the installer proposes),\r\n"
        "           or a parallel or TCP/IP port by its name (default: the first\r\n"
        "           port of the kind), or tcpip:HOST[:PORT], the standard TCP/IP\r\n"
        "           port of that address (raw, port 9100 by default), made when\r\n"
        "           there is none. USB and serial printers are found on their\r\n"
        "           port by the installer.\r\n"
        "/baud      serial printers: 300, 1200, 2400, 4800, 9600, 19200 (default),\r\n"
        "           38400, 57600 or 115200\r\n"
        "/nodefault the printer does not become the default printer\r\n"
        "/requireport  a printer no port answered for fails the run (1603); it\r\n"
        "           stays installed\r\n"
        "/config    installs the printers of an INI file in one run, in file order:\r\n"
        "           sections [Printer.1], [Printer.2], ... with the keys Driver\r\n"
        "           (needed), Name, Port, Baud and Default=yes|no (default no)\r\n"
        "/verify    exit code 0 when the printer exists, with that driver and on\r\n"
        "           that port when they are given, else 1; prints what it found\r\n"
        "           and changes nothing\r\n"
        "/list      prints the driver names of DriverData.Drv, one a line\r\n"
        "/remove    deletes the printer, its driver when no other printer uses it,\r\n"
        "           and the language monitor when no label printer is left; a\r\n"
        "           printer that is not there is no failure\r\n"
        "/wait      waits up to SECONDS (default 0, at most 3600) for another\r\n"
        "           installation by this installer to end, else exits 1618\r\n"
        "/quiet     shows no window\r\n"
        "/log FILE  appends what happens to FILE; with /quiet and no /log, or when\r\n"
        "           FILE cannot be written, the log is %TEMP%\\";
    text += kQuietLogName;
    text += "\r\n"
            "/result FILE  writes the outcome and the printers as JSON at the end\r\n"
            "\r\nExit codes:\r\n";
    for (std::size_t i = 0; i < kOutcomeCount; ++i) {
        char line[200];
        std::snprintf(line, sizeof line, "%5d  %-20s %s\r\n", kOutcomes[i].exitCode, kOutcomes[i].name,
                      kOutcomes[i].text);
        text += line;
    }
    return text;
}
