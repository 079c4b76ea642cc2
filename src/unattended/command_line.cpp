#include "unattended/command_line.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "dialogs/serial_prompt_dlg.h"
#include "ports/port_kinds.h"
#include "unattended/exit_codes.h"

namespace {

std::string Lower(std::string text) {
    for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return text;
}

enum class Option { kInstall, kPrinter, kPort, kBaud, kNoDefault, kQuiet, kLog, kList, kRemove, kHelp };

struct OptionName {
    const char* name;
    Option option;
    bool takesValue;
};

constexpr OptionName kOptions[] = {
    {"install", Option::kInstall, true},  {"printer", Option::kPrinter, true},
    {"port", Option::kPort, true},        {"baud", Option::kBaud, true},
    {"nodefault", Option::kNoDefault, false}, {"quiet", Option::kQuiet, false},
    {"log", Option::kLog, true},          {"list", Option::kList, false},
    {"remove", Option::kRemove, true},    {"?", Option::kHelp, false},
    {"help", Option::kHelp, false},
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

int PortKindOf(const std::string& value) {
    const std::string name = Lower(value);
    for (int kind = 0; kind < kPortKindCount; ++kind) {
        static const char* const kKindNames[kPortKindCount] = {"serial", "usb", "parallel", "tcpip"};
        if (name == kKindNames[kind]) return kind;
    }
    return -1;
}

int BaudRateOf(const std::string& value) {
    for (const char* rate : CSerialPromptDlg::kBaudRates) {
        if (value == rate) return std::atoi(rate);
    }
    return 0;
}

// Parses one word list, noting the first fault and going on, so that
// /quiet and /log are known however the line is wrong.
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
        if (m_error.empty()) m_error = error;
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
            Fail("only one of /install, /list, /remove and /? can be given");
            return;
        }
        m_request.action = action;
    }

    void Apply(Option option, const std::string& word, const std::string& value) {
        switch (option) {
        case Option::kInstall:
            SetAction(CommandAction::kInstall);
            Fits(value, kMaxDriverNameLength, "the driver name");
            m_request.driverName = value;
            break;
        case Option::kPrinter:
            if (Fits(value, kMaxPrinterNameLength, "the printer name") &&
                value.find_first_of("\\,") != std::string::npos) {
                // The spooler refuses such names, and a comma would split
                // the default-printer value.
                Fail("a printer name cannot contain \\ or ,");
            }
            m_request.printerName = value;
            break;
        case Option::kPort:
            m_request.portKind = PortKindOf(value);
            if (m_request.portKind < 0) m_request.portName = value;
            break;
        case Option::kBaud:
            m_request.baudRate = BaudRateOf(value);
            if (m_request.baudRate == 0) {
                Fail(word + " takes 300, 1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200");
            }
            break;
        case Option::kNoDefault: m_request.setDefault = false; break;
        case Option::kQuiet: m_request.quiet = true; break;
        case Option::kLog:
            if (Fits(value, kMaxLogPathLength, "the log file's path")) m_request.logFile = value;
            break;
        case Option::kList: SetAction(CommandAction::kList); break;
        case Option::kRemove:
            SetAction(CommandAction::kRemove);
            Fits(value, kMaxPrinterNameLength, "the printer name");
            m_request.removePrinter = value;
            break;
        case Option::kHelp: SetAction(CommandAction::kUsage); break;
        }
    }

    void CheckCombination() {
        const bool installOptions = m_seen.count(Option::kPrinter) || m_seen.count(Option::kPort) ||
                                    m_seen.count(Option::kBaud) || m_seen.count(Option::kNoDefault);
        if (m_request.action == CommandAction::kNone) {
            Fail("nothing to do: give /install, /list or /remove");
        } else if (installOptions && m_request.action != CommandAction::kInstall) {
            Fail("/printer, /port, /baud and /nodefault go with /install only");
        } else if (m_request.baudRate != 0 && m_request.portKind >= 0 &&
                   m_request.portKind != kPortSerial) {
            Fail("/baud goes with serial printers only");
        }
    }

    const std::vector<std::string>& m_words;
    std::size_t m_index = 0;
    CommandRequest m_request;
    std::set<Option> m_seen;
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

std::string UsageText() {
    std::string text =
        "installer.exe /install \"DRIVER NAME\" [/printer \"NAME\"]\r\n"
        "              [/port usb|serial|parallel|tcpip|PORT] [/baud RATE]\r\n"
        "              [/nodefault] [/quiet] [/log FILE]\r\n"
        "installer.exe /list [/quiet] [/log FILE]\r\n"
        "installer.exe /remove \"PRINTER\" [/quiet] [/log FILE]\r\n"
        "\r\n"
        "/install   installs the driver of that name from DriverData.Drv (see /list)\r\n"
        "           and a printer, answering every question as a careful person\r\n"
        "           would: Retry/Cancel questions are answered Cancel.\r\n"
        "/printer   the printer's name (default: the driver name; label printers\r\n"
        "           always take the driver name)\r\n"
        "/port      the kind of port (default: the kind the installer proposes),\r\n"
        "           or a parallel or TCP/IP port by its name (default: the first\r\n"
        "           port of the kind). USB and serial printers are found on their\r\n"
        "           port by the installer.\r\n"
        "/baud      serial printers: 300, 1200, 2400, 4800, 9600, 19200 (default),\r\n"
        "           38400, 57600 or 115200\r\n"
        "/nodefault the printer does not become the default printer\r\n"
        "/list      prints the driver names of DriverData.Drv, one a line\r\n"
        "/remove    deletes the printer, its driver when no other printer uses it,\r\n"
        "           and the language monitor when no label printer is left\r\n"
        "/quiet     shows no window\r\n"
        "/log FILE  appends what happens to FILE; with /quiet and no /log the log\r\n"
        "           is %TEMP%\\";
    text += kQuietLogName;
    text += "\r\n\r\nExit codes:\r\n";
    for (int code = 0; code < kExitCodeCount; ++code) {
        char line[160];
        std::snprintf(line, sizeof line, "%3d  %s\r\n", code, Describe(static_cast<ExitCode>(code)));
        text += line;
    }
    return text;
}
