// Extracting an archive in-process: every entry is judged before a byte is
// written, data is decoded folder by folder and checked against its CRCs
// before its files are written, and whatever was written is undone when the
// extraction fails or is stopped. Portable; the writing goes through
// OutputTree, which the library implements with Win32 calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "archive_reader.h"

namespace archiver {

// The output folder, as the extraction writes into it. Paths are relative to
// it, components separated by '\', each already judged safe.
class OutputTree {
public:
    virtual ~OutputTree() = default;
    // Makes the folder and the missing folders above it. False, with the
    // reason in `why`, when one cannot be made or one is a link.
    virtual bool MakeFolder(const std::u16string& path, std::string& why) = 0;
    // Writes a whole file under a temporary name beside it, then renames it
    // into place, replacing a file of that name. The folders above it exist.
    virtual bool WriteFile(const std::u16string& path, const unsigned char* data, std::size_t size,
                           std::string& why) = 0;
    // Removes the files this extraction put in place and the folders it made.
    virtual void Undo() = 0;
};

// True for a name Windows reads as a device whatever folder it is in: CON,
// PRN, AUX, NUL, COM1-9, LPT1-9 (also with the superscript digits),
// CONIN$, CONOUT$, in any case, alone or with an extension or trailing blanks.
bool IsReservedDeviceName(std::string_view component);

// True when the attributes mark a reparse point, or a Unix mode that is
// neither a plain file nor a folder (a link, a device, a pipe, a socket).
bool IsLinkOrSpecial(std::uint32_t attributes);

// Why the entry may not be extracted, or nothing when it may: its name must
// stay inside the output folder (IsContainedRelativePath), name no device,
// hold no character Windows refuses in a name, end no component in a dot or
// blank, keep each component to 255 UTF-16 units, and it must not be a link.
std::optional<std::string> JudgeEntry(const ArchiveEntry& entry);

// The entry's path for OutputTree: '/' becomes '\'.
std::u16string OutputPath(const ArchiveEntry& entry);

struct Outcome {
    int code;          // result_codes.h
    std::string text;  // for the caller's output buffer
};

// Opens, judges and extracts everything. `keepGoing` is asked between files
// and while data is decoded; when it answers false the extraction stops and
// is undone (kCancelled).
Outcome ExtractArchive(ByteSource& source, OutputTree& output, const Limits& limits,
                       const StopCheck& keepGoing);

}  // namespace archiver
