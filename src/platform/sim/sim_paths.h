// Windows path syntax as the simulated file calls accept it: a drive letter,
// "\" or "/" as separators (doubled ones count once), "." and ".." folded
// away, relative paths taken from the current directory.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct WinPath {
    char drive = 'C';                // upper case
    std::vector<std::string> parts;  // below the drive's root
};

// Makes `path` absolute against `current`. nullopt for forms the
// simulation does not know: empty paths, UNC and device paths.
std::optional<WinPath> ParseWinPath(std::string_view path, const WinPath& current);
// "C:\" for a root, "C:\a\b" otherwise.
std::string FormatWinPath(const WinPath& path);
bool IsSeparator(char c);
// Whether `name` matches the find pattern `pattern` ("*" and "?", without
// regard to case; "*.*" matches every name, as on Windows).
bool MatchesPattern(std::string_view name, std::string_view pattern);
// Characters Windows refuses in a file name.
bool IsValidFileName(std::string_view name);

}  // namespace sim
