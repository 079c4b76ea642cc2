#include "extraction.h"

#include <new>
#include <vector>

#include "listing.h"
#include "result_codes.h"

namespace archiver {
namespace {

constexpr std::uint32_t kReparsePoint = 0x400;
constexpr std::uint32_t kUnixExtension = 0x8000;  // the high 16 bits hold a Unix mode
constexpr std::uint32_t kUnixTypeMask = 0170000;
constexpr std::uint32_t kUnixRegular = 0100000;
constexpr std::uint32_t kUnixFolder = 0040000;
constexpr std::size_t kLongestComponent = 255;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

// The entry's name for a message, cut short: a name may be thousands of
// characters long.
std::string Quoted(const ArchiveEntry& entry) {
    constexpr std::size_t kShown = 100;
    if (entry.utf8Name.size() <= kShown) return "\"" + entry.utf8Name + "\"";
    return "\"" + entry.utf8Name.substr(0, kShown) + "...\"";
}

Outcome Refuse(int code, const std::string& why) {
    return {code, "7-zip32: refused the archive: " + why + "\r\n"};
}

// Components of a judged name, in UTF-16 units, with their lengths.
bool ComponentsFit(const std::u16string& name) {
    std::size_t length = 0;
    for (char16_t c : name) {
        if (c == u'\\' || c == u'/') {
            length = 0;
        } else if (++length > kLongestComponent) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool IsReservedDeviceName(std::string_view component) {
    std::string_view base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    for (const char* name : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (EqualsIgnoringCase(base, name)) return true;
    }
    if (base.size() < 4) return false;
    const std::string_view stem = base.substr(0, 3);
    if (!EqualsIgnoringCase(stem, "COM") && !EqualsIgnoringCase(stem, "LPT")) return false;
    const std::string_view digit = base.substr(3);
    if (digit.size() == 1) return digit[0] >= '1' && digit[0] <= '9';
    // Windows takes the superscripts one, two and three as digits too.
    return digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

bool IsLinkOrSpecial(std::uint32_t attributes) {
    if ((attributes & kReparsePoint) != 0) return true;
    if ((attributes & kUnixExtension) == 0) return false;
    const std::uint32_t type = (attributes >> 16) & kUnixTypeMask;
    return type != 0 && type != kUnixRegular && type != kUnixFolder;
}

std::optional<std::string> JudgeEntry(const ArchiveEntry& entry) {
    if (entry.utf8Name.empty()) return std::string("an entry has no usable name");
    if (!IsContainedRelativePath(entry.utf8Name)) {
        return "entry " + Quoted(entry) + " would be written outside the output folder";
    }
    if (entry.hasAttributes && IsLinkOrSpecial(entry.attributes)) {
        return "entry " + Quoted(entry) + " is a link";
    }
    if (!ComponentsFit(entry.name)) return "entry " + Quoted(entry) + " has a name too long";
    std::string_view rest = entry.utf8Name;
    while (true) {
        const std::size_t end = rest.find_first_of("\\/");
        const std::string_view component = rest.substr(0, end);
        if (IsReservedDeviceName(component)) {
            return "entry " + Quoted(entry) + " names a device";
        }
        if (component.find_first_of("<>\"|?*") != std::string_view::npos ||
            component.back() == '.' || component.back() == ' ') {
            return "entry " + Quoted(entry) + " has a name Windows does not keep as it is";
        }
        if (end == std::string_view::npos) break;
        rest = rest.substr(end + 1);
    }
    return std::nullopt;
}

std::u16string OutputPath(const ArchiveEntry& entry) {
    std::u16string path = entry.name;
    for (char16_t& c : path) {
        if (c == u'/') c = u'\\';
    }
    return path;
}

namespace {

Outcome ExtractUnguarded(ByteSource& source, OutputTree& output, const Limits& limits,
                         const StopCheck& keepGoing) {
    ArchiveReader reader(source, limits, keepGoing);
    switch (reader.Open()) {
        case ReadStatus::kOk: break;
        case ReadStatus::kStopped: return {kCancelled, "7-zip32: stopped by the owner window\r\n"};
        case ReadStatus::kTooManyEntries:
            return Refuse(kArchiveTooLarge, "it lists more than " +
                                                std::to_string(limits.maxEntries) + " entries");
        case ReadStatus::kOutOfMemory:
            return Refuse(kArchiveTooLarge, "its listing needs more memory than allowed");
        default: return {kUnreadableArchive, "7-zip32: Error: cannot open the file as archive\r\n"};
    }
    const std::vector<ArchiveEntry>& entries = reader.Entries();

    // Every entry, and what they come to together, before anything is written.
    std::uint64_t unpacked = 0;
    for (const ArchiveEntry& entry : entries) {
        if (auto why = JudgeEntry(entry)) return Refuse(kUnsafeEntry, *why);
        unpacked += entry.size;
        if (unpacked > limits.maxUnpacked) {
            return Refuse(kArchiveTooLarge, "it unpacks to more than " +
                                                std::to_string(limits.maxUnpacked >> 20) + " MB");
        }
    }
    std::uint64_t decoded = 0;
    for (std::uint32_t folder = 0; folder < reader.FolderCount(); ++folder) {
        decoded += reader.FolderSize(folder);
        if (decoded > limits.maxUnpacked) {
            return Refuse(kArchiveTooLarge, "its data unpacks to more than " +
                                                std::to_string(limits.maxUnpacked >> 20) + " MB");
        }
    }

    std::string why;
    auto fail = [&](int code, const std::string& text) {
        output.Undo();
        return Outcome{code, text};
    };
    auto stopped = [&] { return fail(kCancelled, "7-zip32: stopped by the owner window\r\n"); };
    std::size_t files = 0;
    std::size_t folders = 0;
    // Folders and empty files first: they need no decoding.
    for (const ArchiveEntry& entry : entries) {
        if (entry.hasStream) continue;
        if (keepGoing && !keepGoing()) return stopped();
        const std::u16string path = OutputPath(entry);
        const std::size_t slash = path.find_last_of(u'\\');
        bool made = true;
        if (entry.isDir) {
            made = output.MakeFolder(path, why);
            ++folders;
        } else {
            made = (slash == std::u16string::npos || output.MakeFolder(path.substr(0, slash), why)) &&
                   output.WriteFile(path, nullptr, 0, why);
            ++files;
        }
        if (!made) return fail(kOutputUnwritable, "7-zip32: Error: cannot write\r\n" + why);
    }
    // Then each folder of packed data: decoded whole, every file in it
    // checked, and only then written.
    FolderData data;
    for (std::uint32_t folder = 0; folder < reader.FolderCount(); ++folder) {
        if (keepGoing && !keepGoing()) return stopped();
        switch (reader.DecodeFolder(folder, data)) {
            case ReadStatus::kOk: break;
            case ReadStatus::kStopped: return stopped();
            case ReadStatus::kOutOfMemory:
                return fail(kOutOfResources, "7-zip32: Error: not enough memory to decode\r\n");
            case ReadStatus::kUnsupported:
                return fail(kUnreadableArchive, "7-zip32: Error: unsupported compression method\r\n");
            default: return fail(kDamagedArchive, "7-zip32: Error: data error in the archive\r\n");
        }
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const ArchiveEntry& entry = entries[i];
            if (!entry.hasStream || entry.folder != folder) continue;
            const std::uint64_t offset = reader.OffsetInFolder(i);
            if (offset > data.size || entry.size > data.size - offset ||
                (entry.hasCrc && Crc32(data.bytes.get() + offset, entry.size) != entry.crc)) {
                return fail(kDamagedArchive,
                            "7-zip32: Error: CRC Failed : " + Quoted(entry) + "\r\n");
            }
        }
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const ArchiveEntry& entry = entries[i];
            if (!entry.hasStream || entry.folder != folder) continue;
            if (keepGoing && !keepGoing()) return stopped();
            const std::u16string path = OutputPath(entry);
            const std::size_t slash = path.find_last_of(u'\\');
            if ((slash != std::u16string::npos && !output.MakeFolder(path.substr(0, slash), why)) ||
                !output.WriteFile(path, data.bytes.get() + reader.OffsetInFolder(i),
                                  static_cast<std::size_t>(entry.size), why)) {
                return fail(kOutputUnwritable, "7-zip32: Error: cannot write\r\n" + why);
            }
            ++files;
        }
    }
    return {kSuccess, "7-zip32: " + std::to_string(files) + " files, " + std::to_string(folders) +
                          " folders\r\nEverything is Ok\r\n"};
}

}  // namespace

Outcome ExtractArchive(ByteSource& source, OutputTree& output, const Limits& limits,
                       const StopCheck& keepGoing) {
    // Memory may run out part way (a folder of data is decoded whole, and a
    // 32-bit process has little room): what was written goes again.
    try {
        return ExtractUnguarded(source, output, limits, keepGoing);
    } catch (const std::bad_alloc&) {
        output.Undo();
        return {kOutOfResources, "7-zip32: Error: not enough memory\r\n"};
    }
}

}  // namespace archiver
