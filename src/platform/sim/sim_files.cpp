#include "platform/sim/sim_files.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <system_error>

#include "platform/sim/sim_profile.h"
#include "platform/sim/sim_text.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

// The name of an entry of `dir` equal to `name` without regard to case.
std::optional<std::string> FindEntry(const fs::path& dir, const std::string& name) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(dir / name, ec))) return name;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec)) {
        const std::string entryName = entry.path().filename().string();
        if (IEquals(entryName, name)) return entryName;
    }
    return std::nullopt;
}

bool HasWildcard(std::string_view text) { return text.find_first_of("*?") != std::string_view::npos; }

bool IsDir(const fs::path& host) {
    std::error_code ec;
    return fs::is_directory(host, ec);
}

// A junction is a host symbolic link to the folder it points to: calls that
// go through it reach the target, as on Windows.
bool IsJunction(const fs::path& host) {
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(host, ec));
}

bool IsEmptyDir(const fs::path& host) {
    std::error_code ec;
    return fs::directory_iterator(host, ec) == fs::directory_iterator();
}

}  // namespace

SimFiles::SimFiles(SimContext& context, fs::path hostRoot)
    : m_context(context), m_root(std::move(hostRoot)) {
    AddDrive('C');
    AddDrive('Z');
}

bool SimFiles::Fail(std::uint32_t error) {
    SetThreadLastError(error);
    return false;
}

void SimFiles::AddDrive(char letter) {
    std::error_code ec;
    fs::create_directories(DriveRoot(static_cast<char>(letter & ~0x20)), ec);
}

fs::path SimFiles::DriveRoot(char drive) const {
    return m_root / std::string(1, FoldCase(drive));
}

std::optional<WinPath> SimFiles::Parse(const char* path) const {
    if (!path) return std::nullopt;
    return ParseWinPath(path, m_current);
}

SimFiles::Resolved SimFiles::Resolve(const WinPath& path) const {
    fs::path current = DriveRoot(path.drive);
    auto rest = [&](std::size_t from) {
        fs::path host = current;
        for (std::size_t j = from; j < path.parts.size(); ++j) host /= path.parts[j];
        return host;
    };
    if (!IsDir(current)) return Resolved{rest(0), false, false};
    for (std::size_t i = 0; i < path.parts.size(); ++i) {
        const bool last = i + 1 == path.parts.size();
        std::optional<std::string> actual = FindEntry(current, path.parts[i]);
        if (!actual) return Resolved{rest(i), false, last};
        current /= *actual;
        if (!last && !IsDir(current)) return Resolved{rest(i + 1), false, false};
    }
    return Resolved{current, true, true};
}

std::optional<SimFiles::Resolved> SimFiles::ResolveExisting(const char* path) {
    if (!path) {
        Fail(plat::err::kInvalidParameter);
        return std::nullopt;
    }
    std::optional<WinPath> parsed = Parse(path);
    if (!parsed) {
        Fail(plat::err::kPathNotFound);
        return std::nullopt;
    }
    Resolved resolved = Resolve(*parsed);
    if (!resolved.exists) {
        Fail(resolved.parentExists ? plat::err::kFileNotFound : plat::err::kPathNotFound);
        return std::nullopt;
    }
    return resolved;
}

std::uint32_t SimFiles::AttributesOf(const fs::path& host) const {
    auto it = m_attributes.find(host.string());
    if (IsJunction(host)) {
        return plat::kFileAttributeDirectory | plat::kFileAttributeReparsePoint |
               (it == m_attributes.end() ? 0 : it->second);
    }
    if (IsDir(host)) return plat::kFileAttributeDirectory | (it == m_attributes.end() ? 0 : it->second);
    const std::uint32_t stored = it == m_attributes.end() ? kFileAttributeArchive : it->second;
    return stored == 0 ? plat::kFileAttributeNormal : stored;
}

bool SimFiles::ReadOnly(const fs::path& host) const {
    return (AttributesOf(host) & plat::kFileAttributeReadOnly) != 0;
}

bool SimFiles::Locked(const fs::path& host) const { return m_locked.count(host.string()) != 0; }

void SimFiles::Forget(const fs::path& host) {
    m_attributes.erase(host.string());
    m_locked.erase(host.string());
}

std::uint32_t SimFiles::GetFileAttributesA(const char* path) {
    if (auto fault = m_context.faults.Enter("GetFileAttributesA")) {
        Fail(*fault);
        return plat::kInvalidFileAttributes;
    }
    SimLock lock(m_context.mutex);
    std::optional<Resolved> resolved = ResolveExisting(path);
    if (!resolved) return plat::kInvalidFileAttributes;
    return AttributesOf(resolved->host);
}

bool SimFiles::SetFileAttributesA(const char* path, std::uint32_t attributes) {
    if (auto fault = m_context.faults.Enter("SetFileAttributesA")) return Fail(*fault);
    SimLock lock(m_context.mutex);
    std::optional<Resolved> resolved = ResolveExisting(path);
    if (!resolved) return false;
    // Read-only, hidden, system, archive and a few more can be set; the
    // folder bit and "normal" cannot.
    constexpr std::uint32_t kSettable = 0x1 | 0x2 | 0x4 | 0x20 | 0x100 | 0x2000;
    m_attributes[resolved->host.string()] = attributes & kSettable;
    return true;
}

plat::Handle SimFiles::FindFirstFileA(const char* pattern, plat::FindData* data) {
    if (auto fault = m_context.faults.Enter("FindFirstFileA")) {
        Fail(*fault);
        return nullptr;
    }
    SimLock lock(m_context.mutex);
    if (!pattern || !data) {
        Fail(plat::err::kInvalidParameter);
        return nullptr;
    }
    const std::string_view text = pattern;
    const std::size_t slash = text.find_last_of("\\/");
    std::string dirPart = slash == std::string_view::npos ? "" : std::string(text.substr(0, slash + 1));
    std::string namePart(slash == std::string_view::npos ? text : text.substr(slash + 1));
    if (slash == std::string_view::npos && text.size() >= 2 && text[1] == ':') {
        dirPart = std::string(text.substr(0, 2));  // "C:*.*": the drive's current folder
        namePart = std::string(text.substr(2));
    }
    if (namePart.empty()) {
        Fail(plat::err::kFileNotFound);
        return nullptr;
    }
    std::optional<WinPath> dir = dirPart.empty() ? m_current : Parse(dirPart.c_str());
    if (!dir) {
        Fail(plat::err::kPathNotFound);
        return nullptr;
    }
    const Resolved resolvedDir = Resolve(*dir);
    if (!resolvedDir.exists || !IsDir(resolvedDir.host)) {
        Fail(plat::err::kPathNotFound);
        return nullptr;
    }

    std::vector<plat::FindData> entries;
    std::vector<std::string> names;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(resolvedDir.host, ec)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end(), ILess());
    const bool wildcard = HasWildcard(namePart);
    auto matches = [&](const std::string& name) {
        return wildcard ? MatchesPattern(name, namePart) : IEquals(name, namePart);
    };
    if (!dir->parts.empty()) {  // a drive's root has no "." and ".."
        const std::uint32_t dirAttributes = AttributesOf(resolvedDir.host);
        if (matches(".")) entries.push_back(plat::FindData{dirAttributes, "."});
        if (matches("..")) entries.push_back(plat::FindData{plat::kFileAttributeDirectory, ".."});
    }
    for (const std::string& name : names) {
        if (matches(name)) entries.push_back(plat::FindData{AttributesOf(resolvedDir.host / name), name});
    }
    if (entries.empty()) {
        Fail(plat::err::kFileNotFound);
        return nullptr;
    }
    *data = entries.front();
    return m_finds.Add(FindState{std::move(entries), 1});
}

bool SimFiles::FindNextFileA(plat::Handle find, plat::FindData* data) {
    if (auto fault = m_context.faults.Enter("FindNextFileA")) return Fail(*fault);
    SimLock lock(m_context.mutex);
    FindState* state = m_finds.Find(find);
    if (!state) return Fail(plat::err::kInvalidHandle);
    if (!data) return Fail(plat::err::kInvalidParameter);
    if (state->next >= state->entries.size()) return Fail(plat::err::kNoMoreFiles);
    *data = state->entries[state->next++];
    return true;
}

bool SimFiles::FindClose(plat::Handle find) {
    if (auto fault = m_context.faults.Enter("FindClose")) return Fail(*fault);
    SimLock lock(m_context.mutex);
    if (!m_finds.Remove(find)) return Fail(plat::err::kInvalidHandle);
    return true;
}

bool SimFiles::DeleteFileA(const char* path) {
    if (auto fault = m_context.faults.Enter("DeleteFileA", path ? path : "")) return Fail(*fault);
    SimLock lock(m_context.mutex);
    std::optional<Resolved> resolved = ResolveExisting(path);
    if (!resolved) return false;
    if (IsDir(resolved->host) || IsJunction(resolved->host) || ReadOnly(resolved->host)) {
        return Fail(plat::err::kAccessDenied);
    }
    if (Locked(resolved->host)) return Fail(plat::err::kSharingViolation);
    std::error_code ec;
    if (!fs::remove(resolved->host, ec)) return Fail(plat::err::kAccessDenied);
    Forget(resolved->host);
    return true;
}

bool SimFiles::RemoveDirectoryA(const char* path) {
    if (auto fault = m_context.faults.Enter("RemoveDirectoryA")) return Fail(*fault);
    SimLock lock(m_context.mutex);
    std::optional<Resolved> resolved = ResolveExisting(path);
    if (!resolved) return false;
    if (!IsDir(resolved->host)) return Fail(kErrorDirectory);
    const WinPath target = *Parse(path);
    if (target.parts.empty()) return Fail(plat::err::kAccessDenied);  // a drive's root
    if (ReadOnly(resolved->host)) return Fail(plat::err::kAccessDenied);
    // A junction goes by itself, whatever its target holds; the target stays.
    if (!IsJunction(resolved->host) && !IsEmptyDir(resolved->host)) {
        return Fail(plat::err::kDirNotEmpty);
    }
    if (Resolve(m_current).host == resolved->host) return Fail(plat::err::kSharingViolation);
    std::error_code ec;
    if (!fs::remove(resolved->host, ec)) return Fail(plat::err::kAccessDenied);
    Forget(resolved->host);
    return true;
}

bool SimFiles::CreateDirectoryA(const char* path) {
    if (auto fault = m_context.faults.Enter("CreateDirectoryA")) return Fail(*fault);
    SimLock lock(m_context.mutex);
    std::optional<WinPath> parsed = Parse(path);
    if (!parsed) return Fail(plat::err::kPathNotFound);
    if (parsed->parts.empty()) return Fail(plat::err::kAccessDenied);
    if (!IsValidFileName(parsed->parts.back())) return Fail(kErrorInvalidName);
    const Resolved resolved = Resolve(*parsed);
    if (resolved.exists) return Fail(plat::err::kAlreadyExists);
    if (!resolved.parentExists) return Fail(plat::err::kPathNotFound);
    std::error_code ec;
    if (!fs::create_directory(resolved.host, ec)) return Fail(plat::err::kAccessDenied);
    return true;
}

bool SimFiles::CopyFileA(const char* from, const char* to, bool failIfExists) {
    if (auto fault = m_context.faults.Enter("CopyFileA", from ? from : "")) return Fail(*fault);
    SimLock lock(m_context.mutex);
    std::optional<Resolved> source = ResolveExisting(from);
    if (!source) return false;
    if (IsDir(source->host)) return Fail(plat::err::kAccessDenied);
    if (Locked(source->host)) return Fail(plat::err::kSharingViolation);
    std::optional<WinPath> target = Parse(to);
    if (!target || target->parts.empty()) return Fail(plat::err::kPathNotFound);
    if (!IsValidFileName(target->parts.back())) return Fail(kErrorInvalidName);
    const Resolved destination = Resolve(*target);
    if (destination.exists) {
        if (destination.host == source->host) return Fail(plat::err::kSharingViolation);
        if (failIfExists) return Fail(plat::err::kFileExists);
        if (IsDir(destination.host) || ReadOnly(destination.host)) {
            return Fail(plat::err::kAccessDenied);
        }
        if (Locked(destination.host)) return Fail(plat::err::kSharingViolation);
    } else if (!destination.parentExists) {
        return Fail(plat::err::kPathNotFound);
    }
    std::error_code ec;
    fs::copy_file(source->host, destination.host, fs::copy_options::overwrite_existing, ec);
    if (ec) return Fail(plat::err::kAccessDenied);
    // The copy takes the source's attributes, read-only included.
    m_attributes[destination.host.string()] = AttributesOf(source->host) & ~plat::kFileAttributeNormal;
    return true;
}

std::uint32_t SimFiles::GetCurrentDirectoryA(std::uint32_t cch, char* buf) {
    if (auto fault = m_context.faults.Enter("GetCurrentDirectoryA")) {
        Fail(*fault);
        return 0;
    }
    SimLock lock(m_context.mutex);
    const std::string dir = FormatWinPath(m_current);
    const auto length = static_cast<std::uint32_t>(dir.size());
    if (!buf || cch <= length) return length + 1;  // the size needed, NUL included
    std::memcpy(buf, dir.c_str(), dir.size() + 1);
    return length;
}

namespace {

// Where a profile file named without a folder lives.
std::string ProfilePath(const char* fileName) {
    const std::string name = fileName ? fileName : "win.ini";
    if (name.find_first_of("\\/") == std::string::npos) return "C:\\windows\\" + name;
    return name;
}

}  // namespace

std::uint32_t SimFiles::GetPrivateProfileSectionNamesA(char* buf, std::uint32_t size,
                                                       const char* fileName) {
    if (auto fault = m_context.faults.Enter("GetPrivateProfileSectionNamesA")) {
        Fail(*fault);
        if (buf && size) buf[0] = '\0';
        return 0;
    }
    std::optional<std::string> text = ReadFile(ProfilePath(fileName));
    if (!text) return profile::SectionNames(nullptr, buf, size);
    const std::vector<profile::Section> sections = profile::Parse(*text);
    return profile::SectionNames(&sections, buf, size);
}

std::uint32_t SimFiles::GetPrivateProfileStringA(const char* section, const char* key,
                                                 const char* defaultValue, char* buf,
                                                 std::uint32_t size, const char* fileName) {
    if (auto fault = m_context.faults.Enter("GetPrivateProfileStringA")) {
        Fail(*fault);
        if (buf && size) buf[0] = '\0';
        return 0;
    }
    std::optional<std::string> text = ReadFile(ProfilePath(fileName));
    if (!text) return profile::GetString(nullptr, section, key, defaultValue, buf, size);
    const std::vector<profile::Section> sections = profile::Parse(*text);
    return profile::GetString(&sections, section, key, defaultValue, buf, size);
}

fs::path SimFiles::HostPath(const std::string& winPath) const {
    SimLock lock(m_context.mutex);
    std::optional<WinPath> parsed = ParseWinPath(winPath, m_current);
    return parsed ? Resolve(*parsed).host : fs::path();
}

std::optional<std::string> SimFiles::FullPath(const std::string& winPath) const {
    SimLock lock(m_context.mutex);
    std::optional<WinPath> parsed = ParseWinPath(winPath, m_current);
    if (!parsed) return std::nullopt;
    // Take the case of the names that exist.
    const fs::path host = Resolve(*parsed).host;
    const fs::path relative = host.lexically_relative(DriveRoot(parsed->drive));
    WinPath actual{parsed->drive, {}};
    for (const fs::path& part : relative) {
        if (part != ".") actual.parts.push_back(part.string());
    }
    return FormatWinPath(actual);
}

bool SimFiles::MakeDirectoriesLocked(const WinPath& path) {
    WinPath partial{path.drive, {}};
    for (const std::string& part : path.parts) {
        partial.parts.push_back(part);
        const Resolved resolved = Resolve(partial);
        if (resolved.exists) {
            if (!IsDir(resolved.host)) return false;
            continue;
        }
        std::error_code ec;
        if (!fs::create_directory(resolved.host, ec)) return false;
    }
    return IsDir(DriveRoot(path.drive));
}

bool SimFiles::MakeDirectories(const std::string& winPath) {
    SimLock lock(m_context.mutex);
    std::optional<WinPath> parsed = ParseWinPath(winPath, m_current);
    return parsed && MakeDirectoriesLocked(*parsed);
}

bool SimFiles::MakeJunction(const std::string& winLink, const std::string& winTarget) {
    SimLock lock(m_context.mutex);
    std::optional<WinPath> link = ParseWinPath(winLink, m_current);
    std::optional<WinPath> target = ParseWinPath(winTarget, m_current);
    if (!link || !target || link->parts.empty()) return false;
    const Resolved where = Resolve(*link);
    const Resolved to = Resolve(*target);
    if (where.exists || !where.parentExists || !to.exists || !IsDir(to.host)) return false;
    std::error_code ec;
    fs::create_directory_symlink(fs::absolute(to.host, ec), where.host, ec);
    return !ec;
}

bool SimFiles::WriteLocked(const WinPath& path, std::string_view bytes) {
    if (path.parts.empty()) return false;
    WinPath parent = path;
    parent.parts.pop_back();
    if (!MakeDirectoriesLocked(parent)) return false;
    const Resolved resolved = Resolve(path);
    if (resolved.exists && (IsDir(resolved.host) || ReadOnly(resolved.host) || Locked(resolved.host))) {
        return false;
    }
    std::ofstream out(resolved.host, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool SimFiles::WriteFile(const std::string& winPath, std::string_view bytes) {
    SimLock lock(m_context.mutex);
    std::optional<WinPath> parsed = ParseWinPath(winPath, m_current);
    return parsed && WriteLocked(*parsed, bytes);
}

std::optional<std::string> SimFiles::ReadFile(const std::string& winPath) const {
    SimLock lock(m_context.mutex);
    std::optional<WinPath> parsed = ParseWinPath(winPath, m_current);
    if (!parsed) return std::nullopt;
    const Resolved resolved = Resolve(*parsed);
    if (!resolved.exists || IsDir(resolved.host)) return std::nullopt;
    std::ifstream in(resolved.host, std::ios::binary);
    if (!in) return std::nullopt;
    // In one read: the profile calls read their file whole every time.
    std::error_code ec;
    std::string bytes(static_cast<std::size_t>(fs::file_size(resolved.host, ec)), '\0');
    if (ec || !in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) return std::nullopt;
    return bytes;
}

bool SimFiles::Exists(const std::string& winPath) const {
    SimLock lock(m_context.mutex);
    std::optional<WinPath> parsed = ParseWinPath(winPath, m_current);
    return parsed && Resolve(*parsed).exists;
}

bool SimFiles::IsFile(const std::string& winPath) const {
    SimLock lock(m_context.mutex);
    std::optional<WinPath> parsed = ParseWinPath(winPath, m_current);
    if (!parsed) return false;
    const Resolved resolved = Resolve(*parsed);
    return resolved.exists && !IsDir(resolved.host);
}

bool SimFiles::IsDirectory(const std::string& winPath) const {
    SimLock lock(m_context.mutex);
    std::optional<WinPath> parsed = ParseWinPath(winPath, m_current);
    if (!parsed) return false;
    const Resolved resolved = Resolve(*parsed);
    return resolved.exists && IsDir(resolved.host);
}

bool SimFiles::IsReadOnly(const std::string& winPath) const {
    SimLock lock(m_context.mutex);
    std::optional<WinPath> parsed = ParseWinPath(winPath, m_current);
    if (!parsed) return false;
    const Resolved resolved = Resolve(*parsed);
    return resolved.exists && ReadOnly(resolved.host);
}

bool SimFiles::CopyFile(const std::string& from, const std::string& to) {
    SimLock lock(m_context.mutex);
    std::optional<std::string> bytes = ReadFile(from);
    if (!bytes) return false;
    std::optional<WinPath> target = ParseWinPath(to, m_current);
    if (!target) return false;
    const Resolved destination = Resolve(*target);
    if (destination.exists && ReadOnly(destination.host)) {
        m_attributes.erase(destination.host.string());  // the spooler owns its copies
    }
    if (!WriteLocked(*target, *bytes)) return false;
    const fs::path sourceHost = HostPath(from);
    m_attributes[Resolve(*target).host.string()] = AttributesOf(sourceHost) & ~plat::kFileAttributeNormal;
    return true;
}

std::vector<std::string> SimFiles::List(const std::string& winDir) const {
    SimLock lock(m_context.mutex);
    std::vector<std::string> names;
    std::optional<WinPath> parsed = ParseWinPath(winDir, m_current);
    if (!parsed) return names;
    const Resolved resolved = Resolve(*parsed);
    if (!resolved.exists || !IsDir(resolved.host)) return names;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(resolved.host, ec)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end(), ILess());
    return names;
}

void SimFiles::SetCurrentDirectory(const std::string& winPath) {
    SimLock lock(m_context.mutex);
    if (std::optional<WinPath> parsed = ParseWinPath(winPath, m_current)) m_current = *parsed;
}

std::string SimFiles::CurrentDirectory() const {
    SimLock lock(m_context.mutex);
    return FormatWinPath(m_current);
}

void SimFiles::SetLocked(const std::string& winPath, bool locked) {
    SimLock lock(m_context.mutex);
    const std::string host = HostPath(winPath).string();
    if (locked) {
        m_locked.insert(host);
    } else {
        m_locked.erase(host);
    }
}

std::size_t SimFiles::OpenFindCount() const {
    SimLock lock(m_context.mutex);
    return m_finds.Size();
}

}  // namespace sim
