// Reading 7za.exe's technical listing ("l -slt -ba") and deciding whether an
// archive may be extracted. Portable, so it can be tested on its own.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace archiver {

// The properties of one archive entry that tell where it would be written.
struct ListedEntry {
    std::string path;
    std::string attributes;    // "Attributes": Windows letters, then a Unix mode
    std::string mode;          // "Mode", for formats that store a Unix mode only
    std::string symbolicLink;  // "Symbolic Link"
    std::string hardLink;      // "Hard Link"
};

// Parses the listing: one block of "Key = Value" lines per entry, blocks
// separated by blank lines, line ends LF or CRLF. Returns nothing when the
// text has any other shape (a stray line, a key twice in one block, a block
// without "Path"), since a name holding a line break could otherwise pass
// itself off as several entries.
std::optional<std::vector<ListedEntry>> ParseTechnicalListing(std::string_view text);

// True when the path stays inside the folder it is extracted to: relative,
// no drive letter or stream name (no ':'), every component non-empty and
// not made of dots and blanks alone (Windows reads "..", and ".. " too, as the
// parent), no control characters. Both '\' and '/' separate components.
bool IsContainedRelativePath(std::string_view path);

// True when the entry is a symbolic or hard link, or a reparse point.
bool IsLink(const ListedEntry& entry);

// The reason the first unsafe entry may not be extracted, or nothing when
// every entry is a plain file or folder inside the output folder.
std::optional<std::string> FindUnsafeEntry(const std::vector<ListedEntry>& entries);

}  // namespace archiver
