#include "platform/sim/sim_archiver.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

#include "platform/sim/sim_files.h"
#include "platform/sim/sim_paths.h"
#include "platform/sim/sim_text.h"

namespace sim {

namespace {

// The one simulated archiver whose library is loaded in this process.
std::atomic<SimArchiver*> g_loadedArchiver{nullptr};

SimArchiver& LoadedArchiver(const char* entryPoint) {
    SimArchiver* archiver = g_loadedArchiver.load();
    if (!archiver) {
        // On Windows this call would jump into unmapped memory.
        std::fprintf(stderr, "%s called while the archiver library is not loaded\n", entryPoint);
        std::abort();
    }
    return *archiver;
}

int PLAT_STDCALL SevenZipEntry(void* hwnd, const char* cmdLine, char* output,
                               std::uint32_t outputSize) {
    return LoadedArchiver("SevenZip").Run(hwnd, cmdLine, output, outputSize);
}
int PLAT_STDCALL SetOwnerWindowExEntry(void* hwnd, plat::ArchiverCallback callback) {
    return LoadedArchiver("SevenZipSetOwnerWindowEx").SetOwner(hwnd, callback);
}
int PLAT_STDCALL KillOwnerWindowExEntry(void* hwnd) {
    return LoadedArchiver("SevenZipKillOwnerWindowEx").KillOwner(hwnd);
}
int PLAT_STDCALL GetRunningEntry() { return LoadedArchiver("SevenZipGetRunning").Running(); }

static_assert(std::is_same_v<decltype(&SevenZipEntry), plat::SevenZipFn>);
static_assert(std::is_same_v<decltype(&SetOwnerWindowExEntry), plat::SevenZipSetOwnerWindowExFn>);
static_assert(std::is_same_v<decltype(&KillOwnerWindowExEntry), plat::SevenZipKillOwnerWindowExFn>);
static_assert(std::is_same_v<decltype(&GetRunningEntry), plat::SevenZipGetRunningFn>);

// Splits a command line into words; double quotes group and are dropped,
// a backslash is an ordinary character (so -o"C:\" names C:\).
std::vector<std::string> SplitCommand(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, inWord = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (c == ' ' && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

struct ArchiveCloser {
    void operator()(archive* handle) const { archive_read_free(handle); }
};
using ArchivePtr = std::unique_ptr<archive, ArchiveCloser>;

ArchivePtr OpenArchive(const std::string& hostPath) {
    ArchivePtr handle(archive_read_new());
    if (!handle) return nullptr;
    archive_read_support_format_all(handle.get());
    archive_read_support_filter_all(handle.get());
    if (archive_read_open_filename(handle.get(), hostPath.c_str(), 16384) != ARCHIVE_OK) {
        return nullptr;
    }
    return handle;
}

enum class EntryKind { kFile, kDirectory, kSymlink, kHardlink };

struct Entry {
    std::vector<std::string> parts;  // below the output folder
    EntryKind kind = EntryKind::kFile;
    std::vector<std::string> hardlinkTarget;
    std::string symlinkTarget;
};

bool StartsAtRoot(std::string_view path) {
    return (!path.empty() && IsSeparator(path[0])) || (path.size() >= 2 && path[1] == ':');
}

// The components of a stored path, or nullopt when it would leave the
// output folder (absolute, a drive, or a ".." anywhere).
std::optional<std::vector<std::string>> SafeParts(std::string_view path) {
    if (StartsAtRoot(path)) return std::nullopt;
    std::vector<std::string> parts;
    for (std::string& part : SplitNonEmpty(path, "\\/")) {
        if (part == "..") return std::nullopt;
        if (part != ".") parts.push_back(std::move(part));
    }
    return parts;
}

// Whether a symbolic link stored at `entry` and pointing to `target` stays
// inside the output folder.
bool LinkStaysInside(const std::vector<std::string>& entry, std::string_view target) {
    if (StartsAtRoot(target)) return false;
    std::vector<std::string> where(entry.begin(), entry.end() - 1);
    for (const std::string& part : SplitNonEmpty(target, "\\/")) {
        if (part == ".") continue;
        if (part == "..") {
            if (where.empty()) return false;
            where.pop_back();
        } else {
            where.push_back(part);
        }
    }
    return true;
}

const char* EntryPath(archive_entry* entry) {
    const char* path = archive_entry_pathname(entry);
    return path ? path : archive_entry_pathname_utf8(entry);
}

// Reads every header and checks it; nullopt (and `why`) when the archive
// cannot be read or holds an entry that is refused.
std::optional<std::vector<Entry>> ScanArchive(const std::string& hostPath, std::string* why) {
    ArchivePtr handle = OpenArchive(hostPath);
    if (!handle) {
        *why = "cannot open the archive";
        return std::nullopt;
    }
    std::vector<Entry> entries;
    archive_entry* header = nullptr;
    int status = ARCHIVE_OK;
    while ((status = archive_read_next_header(handle.get(), &header)) == ARCHIVE_OK ||
           status == ARCHIVE_WARN) {
        const char* raw = EntryPath(header);
        std::optional<std::vector<std::string>> parts = SafeParts(raw ? raw : "");
        if (!parts) {
            *why = std::string("refused entry outside the output folder: ") + (raw ? raw : "");
            return std::nullopt;
        }
        Entry entry;
        entry.parts = std::move(*parts);
        const char* hardlink = archive_entry_hardlink(header);
        const char* symlink = archive_entry_symlink(header);
        if (hardlink) {
            std::optional<std::vector<std::string>> target = SafeParts(hardlink);
            if (!target || target->empty()) {
                *why = std::string("refused link outside the output folder: ") + raw;
                return std::nullopt;
            }
            entry.kind = EntryKind::kHardlink;
            entry.hardlinkTarget = std::move(*target);
        } else if (symlink) {
            if (entry.parts.empty() || !LinkStaysInside(entry.parts, symlink)) {
                *why = std::string("refused link outside the output folder: ") + raw;
                return std::nullopt;
            }
            entry.kind = EntryKind::kSymlink;
            entry.symlinkTarget = symlink;
        } else if (archive_entry_filetype(header) == AE_IFDIR) {
            entry.kind = EntryKind::kDirectory;
        }
        entries.push_back(std::move(entry));
        archive_read_data_skip(handle.get());
    }
    if (status != ARCHIVE_EOF) {
        *why = std::string("cannot read the archive: ") + archive_error_string(handle.get());
        return std::nullopt;
    }
    return entries;
}

std::string JoinWin(const std::string& dir, const std::vector<std::string>& parts) {
    std::string path = dir;
    for (const std::string& part : parts) {
        if (path.empty() || !IsSeparator(path.back())) path += '\\';
        path += part;
    }
    return path;
}

}  // namespace

SimArchiver::SimArchiver(SimContext& context, SimFiles& files)
    : m_context(context), m_files(files) {}

SimArchiver::~SimArchiver() { Detach(); }

void* SimArchiver::Export(std::string_view name) const {
    SimLock lock(m_context.mutex);
    if (m_broken.count(std::string(name))) return nullptr;
    if (name == "SevenZip") return reinterpret_cast<void*>(&SevenZipEntry);
    if (name == "SevenZipSetOwnerWindowEx") return reinterpret_cast<void*>(&SetOwnerWindowExEntry);
    if (name == "SevenZipKillOwnerWindowEx") {
        return reinterpret_cast<void*>(&KillOwnerWindowExEntry);
    }
    if (name == "SevenZipGetRunning") return reinterpret_cast<void*>(&GetRunningEntry);
    return nullptr;
}

void SimArchiver::BreakExport(const std::string& name) {
    SimLock lock(m_context.mutex);
    if (name.empty()) {
        m_broken.clear();
    } else {
        m_broken.insert(name);
    }
}

bool SimArchiver::Attach() {
    SimArchiver* expected = nullptr;
    return g_loadedArchiver.compare_exchange_strong(expected, this) || expected == this;
}

void SimArchiver::Detach() {
    SimArchiver* expected = this;
    g_loadedArchiver.compare_exchange_strong(expected, nullptr);
}

std::string SimArchiver::LastCommand() const {
    SimLock lock(m_context.mutex);
    return m_lastCommand;
}

std::string SimArchiver::LastReport() const {
    SimLock lock(m_context.mutex);
    return m_lastReport;
}

bool SimArchiver::OwnerRegistered() const {
    SimLock lock(m_context.mutex);
    return m_callback != nullptr;
}

int SimArchiver::SetOwner(void* hwnd, plat::ArchiverCallback callback) {
    if (m_context.faults.Enter("SevenZipSetOwnerWindowEx")) return 0;
    SimLock lock(m_context.mutex);
    if (!callback || m_callback) return 0;
    m_ownerWindow = hwnd;
    m_callback = callback;
    return 1;
}

int SimArchiver::KillOwner(void* hwnd) {
    if (m_context.faults.Enter("SevenZipKillOwnerWindowEx")) return 0;
    SimLock lock(m_context.mutex);
    if (!m_callback || m_ownerWindow != hwnd) return 0;
    m_ownerWindow = nullptr;
    m_callback = nullptr;
    return 1;
}

int SimArchiver::Running() const {
    m_context.faults.Enter("SevenZipGetRunning");
    return m_running.load() ? 1 : 0;
}

bool SimArchiver::Notify(unsigned state) {
    plat::ArchiverCallback callback = nullptr;
    void* owner = nullptr;
    {
        SimLock lock(m_context.mutex);
        callback = m_callback;
        owner = m_ownerWindow;
    }
    // Called without the lock: the owner may do anything, as with the real library.
    return callback == nullptr || callback(owner, 0, state, nullptr) != 0;
}

int SimArchiver::Run(void* hwnd, const char* cmdLine, char* output, std::uint32_t outputSize) {
    (void)hwnd;
    std::string report;
    int result = kArchiverOk;
    if (auto fault = m_context.faults.Enter("SevenZip")) {
        result = static_cast<int>(*fault);
        report = "failed as the test asked\n";
    } else {
        m_running = true;
        const std::vector<std::string> words = SplitCommand(cmdLine ? cmdLine : "");
        const bool understood = (words.size() == 4 || (words.size() == 5 && words[4] == "-hide")) &&
                                words[0] == "x" && words[1] == "-y" && words[3].size() > 2 &&
                                words[3].compare(0, 2, "-o") == 0;
        {
            SimLock lock(m_context.mutex);
            m_lastCommand = cmdLine ? cmdLine : "";
        }
        if (!understood) {
            result = kArchiverCommandError;
            report = "command not understood\n";
        } else if (!Notify(kArchiverStateBegin)) {
            result = kArchiverStopped;
            report = "stopped by the owner\n";
        } else {
            result = Extract(words[2], words[3].substr(2), &report);
            if (!Notify(kArchiverStateEnd) && result == kArchiverOk) {
                result = kArchiverStopped;
                report += "stopped by the owner\n";
            }
        }
        m_running = false;
    }
    {
        SimLock lock(m_context.mutex);
        m_lastReport = report;
    }
    if (output && outputSize > 0) {
        const std::size_t count = std::min<std::size_t>(report.size(), outputSize - 1);
        std::memcpy(output, report.data(), count);
        output[count] = '\0';
    }
    return result;
}

int SimArchiver::Extract(const std::string& archivePath, const std::string& outputDir,
                         std::string* report) {
    if (!m_files.IsFile(archivePath)) {
        *report = "cannot find the archive " + archivePath + "\n";
        return kArchiverError;
    }
    const std::string hostArchive = m_files.HostPath(archivePath).string();
    std::string why;
    std::optional<std::vector<Entry>> entries = ScanArchive(hostArchive, &why);
    if (!entries) {
        *report = why + "\n";
        return kArchiverError;
    }

    ArchivePtr handle = OpenArchive(hostArchive);
    if (!handle) {
        *report = "cannot open the archive\n";
        return kArchiverError;
    }
    int failed = 0;
    int written = 0;
    archive_entry* header = nullptr;
    for (const Entry& entry : *entries) {
        if (archive_read_next_header(handle.get(), &header) < ARCHIVE_WARN) {
            *report += "cannot read the archive\n";
            return kArchiverError;
        }
        if (entry.parts.empty()) continue;  // the output folder itself
        const std::string target = JoinWin(outputDir, entry.parts);
        bool ok = true;
        switch (entry.kind) {
            case EntryKind::kDirectory:
                ok = m_files.MakeDirectories(target);
                break;
            case EntryKind::kFile: {
                std::string bytes;
                char block[16384];
                la_ssize_t got = 0;
                while ((got = archive_read_data(handle.get(), block, sizeof block)) > 0) {
                    bytes.append(block, static_cast<std::size_t>(got));
                }
                ok = got == 0 && m_files.WriteFile(target, bytes);
                break;
            }
            case EntryKind::kHardlink: {
                // Drives without links get a copy of the file linked to.
                std::optional<std::string> bytes =
                    m_files.ReadFile(JoinWin(outputDir, entry.hardlinkTarget));
                ok = bytes && m_files.WriteFile(target, *bytes);
                break;
            }
            case EntryKind::kSymlink:
                // Written as a small file holding the link's target.
                ok = m_files.WriteFile(target, entry.symlinkTarget);
                break;
        }
        if (ok) {
            ++written;
            *report += "- " + target + "\n";
        } else {
            ++failed;
            *report += "cannot write " + target + "\n";
        }
    }
    *report += "entries: " + std::to_string(written) + ", errors: " + std::to_string(failed) + "\n";
    return failed == 0 ? kArchiverOk : kArchiverError;
}

}  // namespace sim
