#include "platform/sim/sim_paths.h"

#include "platform/sim/sim_text.h"

namespace sim {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::optional<WinPath> ParseWinPath(std::string_view path, const WinPath& current) {
    if (path.empty()) return std::nullopt;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return std::nullopt;
    WinPath result = current;
    std::string_view rest = path;
    const bool hasDrive = path.size() >= 2 && path[1] == ':' &&
                          ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
    if (hasDrive) {
        const char drive = static_cast<char>(path[0] & ~0x20);
        rest = path.substr(2);
        if (drive != current.drive) result = WinPath{drive, {}};
        if (!rest.empty() && IsSeparator(rest[0])) result.parts.clear();
    } else if (IsSeparator(rest[0])) {
        result.parts.clear();
    }
    std::string_view separators = "\\/";
    for (std::string& part : SplitNonEmpty(rest, separators)) {
        if (part == ".") continue;
        if (part == "..") {
            if (!result.parts.empty()) result.parts.pop_back();
            continue;
        }
        result.parts.push_back(std::move(part));
    }
    return result;
}

std::string FormatWinPath(const WinPath& path) {
    std::string text{path.drive, ':'};
    if (path.parts.empty()) return text + "\\";
    for (const std::string& part : path.parts) text += "\\" + part;
    return text;
}

bool MatchesPattern(std::string_view name, std::string_view pattern) {
    if (pattern == "*.*") pattern = "*";
    // Iterative glob with one backtrack point for the last "*".
    std::size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool IsValidFileName(std::string_view name) {
    for (char c : name) {
        if (std::string_view("<>:\"|?*").find(c) != std::string_view::npos) return false;
        if (static_cast<unsigned char>(c) < 32) return false;
    }
    return !name.empty();
}

}  // namespace sim
