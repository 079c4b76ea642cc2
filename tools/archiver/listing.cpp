#include "listing.h"

#include <map>

namespace archiver {
namespace {

std::optional<ListedEntry> MakeEntry(const std::map<std::string, std::string>& block) {
    auto value = [&block](const char* key) {
        auto it = block.find(key);
        return it == block.end() ? std::string() : it->second;
    };
    if (block.find("Path") == block.end()) return std::nullopt;
    return ListedEntry{value("Path"), value("Attributes"), value("Mode"), value("Symbolic Link"),
                       value("Hard Link")};
}

bool IsDotsAndBlanks(std::string_view component) {
    return component.find_first_not_of(". ") == std::string_view::npos;
}

}  // namespace

std::optional<std::vector<ListedEntry>> ParseTechnicalListing(std::string_view text) {
    std::vector<ListedEntry> entries;
    std::map<std::string, std::string> block;
    auto closeBlock = [&]() -> bool {
        if (block.empty()) return true;
        auto entry = MakeEntry(block);
        if (!entry) return false;
        entries.push_back(std::move(*entry));
        block.clear();
        return true;
    };

    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        if (line.empty()) {
            if (!closeBlock()) return std::nullopt;
            continue;
        }
        std::string_view key;
        std::string_view value;
        if (std::size_t eq = line.find(" = "); eq != std::string_view::npos) {
            key = line.substr(0, eq);
            value = line.substr(eq + 3);
        } else if (line.size() > 2 && line.ends_with(" =")) {
            key = line.substr(0, line.size() - 2);
        } else {
            return std::nullopt;
        }
        if (key.empty() || !block.emplace(std::string(key), std::string(value)).second) {
            return std::nullopt;
        }
    }
    if (!closeBlock()) return std::nullopt;
    return entries;
}

bool IsContainedRelativePath(std::string_view path) {
    if (path.empty()) return false;
    for (unsigned char c : path) {
        if (c < 0x20 || c == 0x7F || c == ':') return false;
    }
    std::size_t start = 0;
    while (true) {
        std::size_t end = path.find_first_of("\\/", start);
        std::string_view component =
            path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        // A leading separator gives an empty first component: a rooted path.
        if (component.empty() || IsDotsAndBlanks(component)) return false;
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

bool IsLink(const ListedEntry& entry) {
    if (!entry.symbolicLink.empty() || !entry.hardLink.empty()) return true;
    // "Attributes" reads e.g. "A -rw-r--r--": Windows attribute letters (L is
    // a reparse point), then, for archives made on Unix, the Unix mode.
    std::string_view attributes = entry.attributes;
    std::size_t blank = attributes.find(' ');
    std::string_view letters = attributes.substr(0, blank);
    if (letters.find('L') != std::string_view::npos) return true;
    if (blank != std::string_view::npos && attributes.substr(blank + 1).starts_with('l')) {
        return true;
    }
    return entry.mode.starts_with('l');
}

std::optional<std::string> FindUnsafeEntry(const std::vector<ListedEntry>& entries) {
    for (const ListedEntry& entry : entries) {
        if (!IsContainedRelativePath(entry.path)) {
            return "entry \"" + entry.path + "\" would be written outside the output folder";
        }
        if (IsLink(entry)) {
            return "entry \"" + entry.path + "\" is a link";
        }
    }
    return std::nullopt;
}

}  // namespace archiver
