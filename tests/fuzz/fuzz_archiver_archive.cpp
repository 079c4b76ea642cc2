// The stand-in archiver's in-process reader on raw bytes: whatever it
// extracts stays inside the output folder, is no link, matches its CRC, and
// a failed or stopped extraction leaves nothing behind.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

#include "extraction.h"
#include "result_codes.h"

namespace {

// Independent of the judging: no drive or stream, no rooted path, no
// component that Windows reads as this folder or its parent.
bool StaysInside(const std::u16string& path) {
    if (path.empty() || path.find(u':') != std::u16string::npos) return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find(u'\\', start);
        const std::u16string part = path.substr(start, end == std::u16string::npos ? end : end - start);
        if (part.empty() || part.find_first_not_of(u". ") == std::u16string::npos) return false;
        if (part.find(u'/') != std::u16string::npos) return false;
        if (end == std::u16string::npos) return true;
        start = end + 1;
    }
}

// An output folder in memory that remembers what a real one would hold.
class MemoryTree : public archiver::OutputTree {
public:
    bool MakeFolder(const std::u16string& path, std::string&) override {
        if (!StaysInside(path)) std::abort();
        folders.insert(path);
        return true;
    }
    bool WriteFile(const std::u16string& path, const unsigned char* data, std::size_t size,
                   std::string&) override {
        if (!StaysInside(path)) std::abort();
        const std::size_t slash = path.rfind(u'\\');
        if (slash != std::u16string::npos && folders.count(path.substr(0, slash)) == 0) std::abort();
        files[path] = archiver::Crc32(data, size);
        return true;
    }
    void Undo() override {
        files.clear();
        folders.clear();
    }

    std::set<std::u16string> folders;
    std::map<std::u16string, std::uint32_t> files;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    archiver::MemorySource source(data, size);
    archiver::Limits limits;
    limits.maxUnpacked = 16u << 20;
    limits.maxAllocated = 64u << 20;
    // Some inputs are stopped part way, so that the undoing is fuzzed too.
    int checksLeft = size % 3 == 0 ? static_cast<int>(size % 7) : -1;
    MemoryTree tree;
    const archiver::Outcome outcome =
        archiver::ExtractArchive(source, tree, limits, [&] { return checksLeft-- != 0; });
    if (outcome.code != archiver::kSuccess) {
        if (!tree.files.empty() || !tree.folders.empty()) std::abort();
        return 0;
    }
    // Read again: every entry was judged safe, and every file holds the data
    // whose CRC the archive gives.
    archiver::ArchiveReader reader(source, limits, {});
    if (reader.Open() != archiver::ReadStatus::kOk) std::abort();
    for (const archiver::ArchiveEntry& entry : reader.Entries()) {
        if (archiver::JudgeEntry(entry)) std::abort();
        if (entry.hasAttributes && archiver::IsLinkOrSpecial(entry.attributes)) std::abort();
        const auto file = tree.files.find(archiver::OutputPath(entry));
        if (entry.isDir) continue;
        if (file == tree.files.end()) std::abort();
        if (entry.hasCrc && file->second != entry.crc) std::abort();
    }
    return 0;
}
