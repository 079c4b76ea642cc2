#include "archive_writer.h"

#include <archive.h>
#include <archive_entry.h>

bool WriteArchive(const std::filesystem::path& hostPath, const std::vector<ArchiveEntry>& entries) {
    archive* writer = archive_write_new();
    archive_write_set_format_zip(writer);
    bool ok = archive_write_open_filename(writer, hostPath.c_str()) == ARCHIVE_OK;
    for (const ArchiveEntry& item : entries) {
        if (!ok) break;
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, item.path.c_str());
        if (!item.linkTarget.empty()) {
            archive_entry_set_filetype(entry, AE_IFLNK);
            archive_entry_set_symlink(entry, item.linkTarget.c_str());
            archive_entry_set_perm(entry, 0777);
            archive_entry_set_size(entry, 0);
            ok = archive_write_header(writer, entry) == ARCHIVE_OK;
        } else {
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_perm(entry, 0644);
            archive_entry_set_size(entry, static_cast<la_int64_t>(item.contents.size()));
            ok = archive_write_header(writer, entry) == ARCHIVE_OK &&
                 archive_write_data(writer, item.contents.data(), item.contents.size()) ==
                     static_cast<la_ssize_t>(item.contents.size());
        }
        archive_entry_free(entry);
    }
    ok = archive_write_close(writer) == ARCHIVE_OK && ok;
    archive_write_free(writer);
    return ok;
}

std::vector<ArchiveEntry> SamplePackage(const std::string& driverListFile) {
    return {
        {"DriverName.cfg", driverListFile, ""},
        {"Ticket/x86/QRR8.DLL", "receipt model library (32-bit)", ""},
        {"Ticket/x64/QRR8.DLL", "receipt model library (64-bit)", ""},
        {"Barcode/x86/VXLDRV50.DLL", "label driver (32-bit)", ""},
        {"Barcode/x64/VXLDRV56.DLL", "label driver (64-bit)", ""},
        {"Barcode/Common/QV315TF.DAT", "label model data", ""},
    };
}
