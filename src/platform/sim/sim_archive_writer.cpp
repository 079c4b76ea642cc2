#include "platform/sim/sim_archive_writer.h"

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace sim {

namespace {

struct WriterCloser {
    void operator()(archive* handle) const { archive_write_free(handle); }
};
struct EntryCloser {
    void operator()(archive_entry* entry) const { archive_entry_free(entry); }
};

}  // namespace

bool WriteTestArchive(const std::filesystem::path& hostPath,
                      const std::vector<TestArchiveEntry>& entries, TestArchiveFormat format) {
    std::unique_ptr<archive, WriterCloser> writer(archive_write_new());
    if (!writer) return false;
    int status = ARCHIVE_OK;
    switch (format) {
        case TestArchiveFormat::kSevenZip: status = archive_write_set_format_7zip(writer.get()); break;
        case TestArchiveFormat::kZip: status = archive_write_set_format_zip(writer.get()); break;
        case TestArchiveFormat::kTar: status = archive_write_set_format_pax_restricted(writer.get()); break;
    }
    if (status != ARCHIVE_OK) return false;
    if (archive_write_open_filename(writer.get(), hostPath.string().c_str()) != ARCHIVE_OK) return false;
    for (const TestArchiveEntry& item : entries) {
        std::unique_ptr<archive_entry, EntryCloser> entry(archive_entry_new());
        archive_entry_set_pathname(entry.get(), item.path.c_str());
        archive_entry_set_mtime(entry.get(), 1700000000, 0);
        switch (item.kind) {
            case TestArchiveEntry::Kind::kFile:
                archive_entry_set_filetype(entry.get(), AE_IFREG);
                archive_entry_set_perm(entry.get(), 0644);
                archive_entry_set_size(entry.get(), static_cast<la_int64_t>(item.contents.size()));
                break;
            case TestArchiveEntry::Kind::kDirectory:
                archive_entry_set_filetype(entry.get(), AE_IFDIR);
                archive_entry_set_perm(entry.get(), 0755);
                break;
            case TestArchiveEntry::Kind::kSymlink:
                archive_entry_set_filetype(entry.get(), AE_IFLNK);
                archive_entry_set_perm(entry.get(), 0777);
                archive_entry_set_symlink(entry.get(), item.linkTarget.c_str());
                break;
            case TestArchiveEntry::Kind::kHardlink:
                archive_entry_set_filetype(entry.get(), AE_IFREG);
                archive_entry_set_perm(entry.get(), 0644);
                archive_entry_set_hardlink(entry.get(), item.linkTarget.c_str());
                archive_entry_set_size(entry.get(), 0);
                break;
        }
        if (archive_write_header(writer.get(), entry.get()) < ARCHIVE_WARN) return false;
        if (item.kind == TestArchiveEntry::Kind::kFile && !item.contents.empty()) {
            const la_ssize_t written =
                archive_write_data(writer.get(), item.contents.data(), item.contents.size());
            if (written != static_cast<la_ssize_t>(item.contents.size())) return false;
        }
    }
    return archive_write_close(writer.get()) == ARCHIVE_OK;
}

}  // namespace sim
