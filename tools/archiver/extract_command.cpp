#include "extract_command.h"

#include <vector>

namespace archiver {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Splits as 7-Zip does: a double quote toggles quoting and is dropped; a
// backslash is an ordinary character, so -o"C:\" names the root of C:.
// Returns nothing when a quote is left open.
std::optional<std::vector<std::string>> SplitWords(std::string_view text) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i])) ++i;
        if (i == text.size()) break;
        std::string word;
        bool quoted = false;
        for (; i < text.size() && (quoted || !IsBlank(text[i])); ++i) {
            if (text[i] == '"') {
                quoted = !quoted;
            } else {
                word += text[i];
            }
        }
        if (quoted) return std::nullopt;
        words.push_back(std::move(word));
    }
    return words;
}

bool IsUsablePath(const std::string& path) {
    if (path.empty()) return false;
    for (unsigned char c : path) {
        if (c < 0x20 || c == 0x7F || c == '"' || c == '*' || c == '?') return false;
    }
    return true;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

std::optional<ExtractCommand> ParseExtractCommand(std::string_view cmdLine) {
    auto words = SplitWords(cmdLine);
    if (!words || words->empty() || (*words)[0] != "x") return std::nullopt;

    bool sawYes = false;
    bool sawHide = false;
    std::optional<std::string> archive;
    std::optional<std::string> outputDir;
    for (std::size_t n = 1; n < words->size(); ++n) {
        const std::string& word = (*words)[n];
        if (word == "-y") {
            if (sawYes) return std::nullopt;
            sawYes = true;
        } else if (word == "-hide") {
            if (sawHide) return std::nullopt;
            sawHide = true;
        } else if (word.starts_with("-o")) {
            if (outputDir) return std::nullopt;
            outputDir = word.substr(2);
        } else if (word.starts_with("-")) {
            return std::nullopt;
        } else {
            if (archive) return std::nullopt;
            archive = word;
        }
    }
    if (!sawYes || !archive || !outputDir) return std::nullopt;
    if (!IsUsablePath(*archive) || !IsUsablePath(*outputDir)) return std::nullopt;
    return ExtractCommand{*archive, *outputDir};
}

std::string ListCommandLine(const std::string& sevenZaPath, const ExtractCommand& command) {
    return Quoted(sevenZaPath) + " l -slt -ba -sccUTF-8 -- " + Quoted(command.archive);
}

std::string ExtractCommandLine(const std::string& sevenZaPath, const ExtractCommand& command) {
    return Quoted(sevenZaPath) + " x -y -bd " + Quoted("-o" + command.outputDir) + " -- " +
           Quoted(command.archive);
}

}  // namespace archiver
