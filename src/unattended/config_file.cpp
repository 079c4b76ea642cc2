#include "unattended/config_file.h"

#include <cctype>
#include <map>
#include <optional>
#include <set>

#include "ports/port_kinds.h"

namespace {

std::string Trim(const std::string& text) {
    const std::string::size_type first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Lower(std::string text) {
    for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return text;
}

// The number of "Printer.N", N from 1 without leading zeros; nullopt for
// any other section name.
std::optional<int> PrinterSection(const std::string& name) {
    const std::string prefix = "printer.";
    if (Lower(name).rfind(prefix, 0) != 0) return std::nullopt;
    const std::string number = name.substr(prefix.size());
    if (number.empty() || number.size() > 4 || number[0] == '0' ||
        number.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    return std::stoi(number);
}

std::optional<bool> YesOrNo(const std::string& value) {
    const std::string word = Lower(value);
    if (word == "yes" || word == "true" || word == "1") return true;
    if (word == "no" || word == "false" || word == "0") return false;
    return std::nullopt;
}

class Reader {
public:
    ConfigFile Run(const std::string& text) {
        std::string::size_type start = 0;
        // A byte-order mark, as Notepad writes one, is no part of the first line.
        if (text.rfind("\xEF\xBB\xBF", 0) == 0) start = 3;
        while (m_error.empty() && start <= text.size()) {
            const std::string::size_type end = text.find('\n', start);
            std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            ++m_line;
            Take(Trim(line));
            if (end == std::string::npos) break;
            start = end + 1;
        }
        EndSection();
        if (m_error.empty() && m_printers.empty()) Fail(0, "the file has no [Printer.N] section");
        return ConfigFile{m_error.empty() ? m_printers : std::vector<PrinterRequest>{}, m_error};
    }

private:
    void Fail(int line, const std::string& error) {
        if (!m_error.empty()) return;
        m_error = line > 0 ? "line " + std::to_string(line) + ": " + error : error;
    }

    void Take(const std::string& line) {
        if (line.empty() || line[0] == ';' || line[0] == '#') return;
        if (line[0] == '[') {
            EndSection();
            if (line.back() != ']') return Fail(m_line, "a section line ends with ]");
            const std::string name = Trim(line.substr(1, line.size() - 2));
            if (!PrinterSection(name)) {
                return Fail(m_line, "unknown section [" + name + "]: the sections are [Printer.1], [Printer.2], ...");
            }
            const std::string key = Lower(name);
            if (const auto seen = m_sections.find(key); seen != m_sections.end()) {
                return Fail(m_line, "[" + name + "] is given twice (first on line " +
                                        std::to_string(seen->second) + ")");
            }
            m_sections[key] = m_line;
            m_section = name;
            m_current = PrinterRequest{};
            m_current.setDefault = false;
            m_current.line = m_line;
            m_keys.clear();
            m_defaultChosen = false;
            return;
        }
        const std::string::size_type equals = line.find('=');
        if (equals == std::string::npos) return Fail(m_line, "\"" + line + "\" is no key=value line");
        if (m_section.empty()) return Fail(m_line, "\"" + line + "\" stands before any [Printer.N] section");
        const std::string key = Trim(line.substr(0, equals));
        std::string value = Trim(line.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        TakeKey(key, value);
    }

    void TakeKey(const std::string& key, const std::string& value) {
        static const char* const kKeys[] = {"driver", "name", "port", "baud", "default"};
        const std::string lower = Lower(key);
        bool known = false;
        for (const char* name : kKeys) known = known || lower == name;
        if (!known) return Fail(m_line, "unknown key \"" + key + "\" (the keys are Driver, Name, Port, Baud, Default)");
        if (!m_keys.insert(lower).second) return Fail(m_line, key + " is given twice in [" + m_section + "]");
        if (value.empty()) return Fail(m_line, key + " needs a value");
        std::string error;
        if (lower == "driver") {
            error = TakeDriverName(value, &m_current);
        } else if (lower == "name") {
            error = TakePrinterName(value, &m_current);
        } else if (lower == "port") {
            error = TakePort(value, &m_current);
        } else if (lower == "baud") {
            error = TakeBaudRate(value, &m_current);
            m_baudLine = m_line;
        } else if (const std::optional<bool> yes = YesOrNo(value)) {
            m_current.setDefault = *yes;
            m_defaultChosen = *yes;
        } else {
            error = "Default takes yes or no";
        }
        if (!error.empty()) Fail(m_line, key + ": " + error);
    }

    void EndSection() {
        if (m_section.empty() || !m_error.empty()) return;
        const int line = m_current.line;
        m_section.clear();
        if (m_current.driverName.empty()) return Fail(line, "the section has no Driver");
        if (m_current.baudRate != 0 && m_current.portKind >= 0 && m_current.portKind != kPortSerial) {
            return Fail(m_baudLine, "Baud goes with serial printers only");
        }
        if (m_defaultChosen) {
            if (m_defaultLine != 0) {
                return Fail(line, "a second printer is made the default printer (the first: line " +
                                      std::to_string(m_defaultLine) + ")");
            }
            m_defaultLine = line;
        }
        // A printer without a Name is named after its driver.
        const std::string name = Lower(m_current.printerName.empty() ? m_current.driverName : m_current.printerName);
        if (const auto seen = m_names.find(name); seen != m_names.end()) {
            return Fail(line, "the printer name \"" + (m_current.printerName.empty() ? m_current.driverName
                                                                                    : m_current.printerName) +
                                  "\" is used twice (first on line " + std::to_string(seen->second) + ")");
        }
        m_names[name] = line;
        m_printers.push_back(m_current);
    }

    int m_line = 0;
    std::string m_error;
    std::vector<PrinterRequest> m_printers;
    std::map<std::string, int> m_sections;  // lower-case name, line
    std::map<std::string, int> m_names;     // lower-case printer name, line
    std::string m_section;                  // the open section's name, "" before the first
    PrinterRequest m_current;
    std::set<std::string> m_keys;
    bool m_defaultChosen = false;
    int m_defaultLine = 0;
    int m_baudLine = 0;
};

}  // namespace

ConfigFile ParseConfigFile(const std::string& text) { return Reader().Run(text); }
