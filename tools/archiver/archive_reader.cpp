#include "archive_reader.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

extern "C" {
#include "7z.h"
#include "7zCrc.h"
}

namespace archiver {
namespace {

constexpr std::size_t kLookBufferSize = std::size_t{1} << 18;
// How much is read between two stop checks while decoding.
constexpr std::uint64_t kStopCheckBytes = std::uint64_t{1} << 20;

void InitCrcOnce() {
    static std::once_flag once;
    std::call_once(once, [] { CrcGenerateTable(); });
}

// Appends `code` to `out` as UTF-8; false for a lone surrogate.
bool Utf16ToUtf8(const std::u16string& in, std::string& out) {
    for (std::size_t i = 0; i < in.size(); ++i) {
        std::uint32_t c = in[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 == in.size() || in[i + 1] < 0xDC00 || in[i + 1] > 0xDFFF) return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (in[++i] - 0xDC00);
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return true;
}

ReadStatus StatusOf(SRes result) {
    switch (result) {
        case SZ_OK: return ReadStatus::kOk;
        case SZ_ERROR_NO_ARCHIVE: return ReadStatus::kNotAnArchive;
        case SZ_ERROR_UNSUPPORTED: return ReadStatus::kUnsupported;
        case SZ_ERROR_MEM: return ReadStatus::kOutOfMemory;
        case SZ_ERROR_READ: return ReadStatus::kReadError;
        case SZ_ERROR_PROGRESS: return ReadStatus::kStopped;
        default: return ReadStatus::kDamaged;
    }
}

}  // namespace

bool MemorySource::ReadAt(std::uint64_t offset, void* buffer, std::size_t size, std::size_t* got) {
    *got = 0;
    if (offset >= size_) return true;
    const std::size_t left = size_ - static_cast<std::size_t>(offset);
    *got = size < left ? size : left;
    std::memcpy(buffer, data_ + offset, *got);
    return true;
}

// The C structures, each with its vtable first so that the decoder's
// callbacks find their owner from the pointer they are given.
struct ArchiveReader::State {
    // malloc's alignment suits every structure the decoder allocates; what
    // it holds at once is bounded, so a hostile header cannot claim memory
    // the machine lacks.
    struct Allocator {
        ISzAlloc vt;
        std::uint64_t limit;
        std::uint64_t live = 0;
    };
    struct Stream {
        ISeekInStream vt;
        State* owner;
        std::uint64_t position = 0;
    };

    static void* Alloc(ISzAllocPtr p, std::size_t size) {
        auto* self = reinterpret_cast<Allocator*>(const_cast<ISzAlloc*>(p));
        if (size == 0) return nullptr;
        if (size > self->limit - self->live) return nullptr;
        // The size is kept in front, aligned as malloc aligns.
        constexpr std::size_t kHeader = alignof(std::max_align_t);
        auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
        if (block == nullptr) return nullptr;
        std::memcpy(block, &size, sizeof size);
        self->live += size;
        return block + kHeader;
    }
    static void Free(ISzAllocPtr p, void* address) {
        if (address == nullptr) return;
        auto* self = reinterpret_cast<Allocator*>(const_cast<ISzAlloc*>(p));
        constexpr std::size_t kHeader = alignof(std::max_align_t);
        auto* block = static_cast<unsigned char*>(address) - kHeader;
        std::size_t size = 0;
        std::memcpy(&size, block, sizeof size);
        self->live -= size;
        std::free(block);
    }
    static SRes Read(ISeekInStreamPtr p, void* buffer, std::size_t* size) {
        auto* stream = reinterpret_cast<Stream*>(const_cast<ISeekInStream*>(p));
        State& state = *stream->owner;
        if (state.sinceCheck >= kStopCheckBytes) {
            state.sinceCheck = 0;
            if (state.keepGoing && !state.keepGoing()) {
                state.stopped = true;
                return SZ_ERROR_PROGRESS;
            }
        }
        std::size_t got = 0;
        if (!state.source.ReadAt(stream->position, buffer, *size, &got)) return SZ_ERROR_READ;
        stream->position += got;
        state.sinceCheck += got;
        *size = got;
        return SZ_OK;
    }
    static SRes Seek(ISeekInStreamPtr p, Int64* pos, ESzSeek origin) {
        auto* stream = reinterpret_cast<Stream*>(const_cast<ISeekInStream*>(p));
        Int64 base = 0;
        if (origin == SZ_SEEK_CUR) base = static_cast<Int64>(stream->position);
        if (origin == SZ_SEEK_END) base = static_cast<Int64>(stream->owner->source.Size());
        const Int64 target = base + *pos;
        if (target < 0) return SZ_ERROR_PARAM;
        stream->position = static_cast<std::uint64_t>(target);
        *pos = target;
        return SZ_OK;
    }

    State(ByteSource& from, const Limits& limitsIn, StopCheck check)
        : source(from), limits(limitsIn), keepGoing(std::move(check)) {
        mainAlloc.vt = {&Alloc, &Free};
        mainAlloc.limit = limits.maxAllocated;
        tempAlloc.vt = {&Alloc, &Free};
        tempAlloc.limit = limits.maxAllocated;
        stream.vt.Read = &Read;
        stream.vt.Seek = &Seek;
        stream.owner = this;
        lookBuffer.resize(kLookBufferSize);
        LookToRead2_CreateVTable(&look, False);
        look.realStream = &stream.vt;
        look.buf = lookBuffer.data();
        look.bufSize = lookBuffer.size();
        LookToRead2_INIT(&look);
        SzArEx_Init(&db);
    }
    ~State() { SzArEx_Free(&db, &mainAlloc.vt); }

    ByteSource& source;
    Limits limits;
    StopCheck keepGoing;
    std::uint64_t sinceCheck = 0;
    bool stopped = false;
    bool open = false;
    Allocator mainAlloc{};
    Allocator tempAlloc{};
    Stream stream{};
    std::vector<Byte> lookBuffer;
    CLookToRead2 look{};
    CSzArEx db{};
};

ArchiveReader::ArchiveReader(ByteSource& source, const Limits& limits, StopCheck keepGoing)
    : state_(std::make_unique<State>(source, limits, std::move(keepGoing))) {
    InitCrcOnce();
}

ArchiveReader::~ArchiveReader() = default;

ReadStatus ArchiveReader::Open() {
    State& s = *state_;
    const SRes result = SzArEx_Open(&s.db, &s.look.vt, &s.mainAlloc.vt, &s.tempAlloc.vt);
    if (s.stopped) return ReadStatus::kStopped;
    if (result != SZ_OK) return StatusOf(result);
    s.open = true;
    entries_.clear();
    // Refused before the names are copied: a header may list millions.
    if (s.db.NumFiles > s.limits.maxEntries) return ReadStatus::kTooManyEntries;
    entries_.reserve(s.db.NumFiles);
    std::vector<UInt16> name;
    for (UInt32 i = 0; i < s.db.NumFiles; ++i) {
        ArchiveEntry entry;
        const std::size_t length = SzArEx_GetFileNameUtf16(&s.db, i, nullptr);
        name.assign(length, 0);
        SzArEx_GetFileNameUtf16(&s.db, i, name.data());
        entry.name.assign(name.begin(), name.end() - (length > 0 ? 1 : 0));
        if (!Utf16ToUtf8(entry.name, entry.utf8Name)) entry.utf8Name.clear();
        entry.isDir = SzArEx_IsDir(&s.db, i);
        entry.size = SzArEx_GetFileSize(&s.db, i);
        entry.folder = s.db.FileToFolder[i];
        entry.hasStream = entry.folder != static_cast<UInt32>(-1);
        entry.hasCrc = SzBitWithVals_Check(&s.db.CRCs, i);
        if (entry.hasCrc) entry.crc = s.db.CRCs.Vals[i];
        entry.hasAttributes = SzBitWithVals_Check(&s.db.Attribs, i);
        if (entry.hasAttributes) entry.attributes = s.db.Attribs.Vals[i];
        entries_.push_back(std::move(entry));
    }
    return ReadStatus::kOk;
}

std::uint32_t ArchiveReader::FolderCount() const {
    return state_->open ? state_->db.db.NumFolders : 0;
}

std::uint64_t ArchiveReader::FolderSize(std::uint32_t folder) const {
    return SzAr_GetFolderUnpackSize(&state_->db.db, folder);
}

std::uint64_t ArchiveReader::OffsetInFolder(std::size_t index) const {
    const CSzArEx& db = state_->db;
    const UInt32 folder = db.FileToFolder[index];
    return db.UnpackPositions[index] - db.UnpackPositions[db.FolderToFile[folder]];
}

ReadStatus ArchiveReader::DecodeFolder(std::uint32_t folder, FolderData& out) {
    State& s = *state_;
    if (!s.open || folder >= s.db.db.NumFolders) return ReadStatus::kDamaged;
    const std::uint64_t size = FolderSize(folder);
    if (size > s.limits.maxUnpacked || size > SIZE_MAX) return ReadStatus::kOutOfMemory;
    out.bytes.reset();
    out.size = 0;
    // At least one byte, so that an empty folder has a buffer too.
    out.bytes.reset(new (std::nothrow) unsigned char[static_cast<std::size_t>(size) + 1]);
    if (!out.bytes) return ReadStatus::kOutOfMemory;
    out.size = static_cast<std::size_t>(size);
    const SRes result = SzAr_DecodeFolder(&s.db.db, folder, &s.look.vt, s.db.dataPos,
                                          out.bytes.get(), out.size, &s.tempAlloc.vt);
    if (s.stopped) return ReadStatus::kStopped;
    if (result != SZ_OK) return StatusOf(result);
    if (SzBitWithVals_Check(&s.db.db.FolderCRCs, folder) &&
        CrcCalc(out.bytes.get(), out.size) != s.db.db.FolderCRCs.Vals[folder]) {
        return ReadStatus::kDamaged;
    }
    return ReadStatus::kOk;
}

std::uint32_t Crc32(const void* data, std::size_t size) {
    InitCrcOnce();
    return CrcCalc(data, size);
}

}  // namespace archiver
