// Reading a 7z archive in-process with 7-Zip's own C decoder. Portable: no
// Windows header, so the reader and the judging of what it lists build and
// are fuzzed natively too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace archiver {

// Where the archive's bytes come from: a file opened by the caller, or a
// buffer in tests and fuzzing.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Reads up to `size` bytes at `offset` into `buffer`; false on a read
    // error. `*got` is 0 at the end.
    virtual bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size, std::size_t* got) = 0;
};

class MemorySource : public ByteSource {
public:
    MemorySource(const void* data, std::size_t size)
        : data_(static_cast<const unsigned char*>(data)), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size, std::size_t* got) override;

private:
    const unsigned char* data_;
    std::size_t size_;
};

// One entry as the archive lists it.
struct ArchiveEntry {
    std::u16string name;        // as stored, UTF-16
    std::string utf8Name;       // the same, UTF-8 ("" when `name` is not valid UTF-16)
    bool isDir = false;
    bool hasStream = false;     // belongs to a folder (solid block) of packed data
    std::uint64_t size = 0;
    bool hasCrc = false;
    std::uint32_t crc = 0;
    bool hasAttributes = false;
    std::uint32_t attributes = 0;  // Windows attributes; Unix mode above bit 16 when bit 15 is set
    std::uint32_t folder = 0;      // the folder holding its data, when hasStream
};

// Limits on what one archive may claim, checked before anything is decoded.
struct Limits {
    std::size_t maxEntries = 10000;
    std::uint64_t maxUnpacked = std::uint64_t{1} << 30;   // all files together
    std::uint64_t maxAllocated = std::uint64_t{3} << 29;  // the decoder's memory at any time
};

// Why reading stopped. kStopped: the stop check asked for it;
// kTooManyEntries: the database lists more entries than the limits allow.
enum class ReadStatus {
    kOk, kNotAnArchive, kUnsupported, kDamaged, kOutOfMemory, kReadError, kStopped, kTooManyEntries
};

// A folder's decoded bytes. Not cleared first: the decoder writes every byte.
struct FolderData {
    std::unique_ptr<unsigned char[]> bytes;
    std::size_t size = 0;
};

// Asked now and then while data is read and decoded; false stops.
using StopCheck = std::function<bool()>;

class ArchiveReader {
public:
    // Keeps a reference to `source`, which must outlive the reader.
    ArchiveReader(ByteSource& source, const Limits& limits, StopCheck keepGoing);
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    // Reads the archive's database. The entries are valid only after kOk.
    ReadStatus Open();
    const std::vector<ArchiveEntry>& Entries() const { return entries_; }
    std::uint32_t FolderCount() const;
    // The unpacked size the database gives a folder.
    std::uint64_t FolderSize(std::uint32_t folder) const;
    // Decodes a whole folder into `out` (replaced by a buffer of its size)
    // and checks the folder's own CRC where it has one. Entries' CRCs are
    // the caller's.
    ReadStatus DecodeFolder(std::uint32_t folder, FolderData& out);
    // Offset of entry `index`'s data inside its folder's decoded bytes.
    std::uint64_t OffsetInFolder(std::size_t index) const;

    struct State;  // the decoder's C structures

private:
    std::unique_ptr<State> state_;
    std::vector<ArchiveEntry> entries_;
};

// The CRC-32 the archive format uses.
std::uint32_t Crc32(const void* data, std::size_t size);

}  // namespace archiver
