// The simulated file system: each drive is a host folder (C: is
// <root>/c), names are looked up without regard to case and created with
// the case given, attributes (read-only above all) are kept by the
// simulation, files can be marked as held open by another process, and
// junctions are host symbolic links to the folder they point to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/sim/sim_context.h"
#include "platform/sim/sim_handles.h"
#include "platform/sim/sim_paths.h"

namespace sim {

constexpr std::uint32_t kFileAttributeArchive = 0x20;
constexpr std::uint32_t kErrorInvalidName = 123;
constexpr std::uint32_t kErrorDirectory = 267;

class SimFiles final : public plat::IFiles {
public:
    // Drives C: and Z: exist as folders below `hostRoot`.
    SimFiles(SimContext& context, std::filesystem::path hostRoot);

    std::uint32_t GetFileAttributesA(const char* path) override;
    bool SetFileAttributesA(const char* path, std::uint32_t attributes) override;
    plat::Handle FindFirstFileA(const char* pattern, plat::FindData* data) override;
    bool FindNextFileA(plat::Handle find, plat::FindData* data) override;
    bool FindClose(plat::Handle find) override;
    bool DeleteFileA(const char* path) override;
    bool RemoveDirectoryA(const char* path) override;
    bool CreateDirectoryA(const char* path) override;
    bool CopyFileA(const char* from, const char* to, bool failIfExists) override;
    std::uint32_t GetCurrentDirectoryA(std::uint32_t cch, char* buf) override;
    std::uint32_t GetPrivateProfileSectionNamesA(char* buf, std::uint32_t size,
                                                 const char* fileName) override;
    std::uint32_t GetPrivateProfileStringA(const char* section, const char* key,
                                           const char* defaultValue, char* buf, std::uint32_t size,
                                           const char* fileName) override;

    // Test helpers and the other simulated parts' way in: no hook, no faults.
    void AddDrive(char letter);
    // The host path a Windows path stands for: existing names in the case
    // they have, missing ones as given. Empty for a path the simulation
    // cannot parse.
    std::filesystem::path HostPath(const std::string& winPath) const;
    // "C:\Dist\a.txt" with the case of the names that exist; nullopt when
    // the path cannot be parsed.
    std::optional<std::string> FullPath(const std::string& winPath) const;
    // Writes a file, making missing folders; false when the path is a
    // folder, read-only, held open, or below a file.
    bool WriteFile(const std::string& winPath, std::string_view bytes);
    std::optional<std::string> ReadFile(const std::string& winPath) const;
    bool Exists(const std::string& winPath) const;
    bool IsFile(const std::string& winPath) const;
    bool IsDirectory(const std::string& winPath) const;
    bool MakeDirectories(const std::string& winPath);
    bool IsReadOnly(const std::string& winPath) const;
    // Makes `link` a junction to the existing folder `target` (on any
    // drive), as mklink /J does: false when `link` exists or its folder
    // does not.
    bool MakeJunction(const std::string& link, const std::string& target);
    // Copies without the checks of CopyFileA beyond existence; attributes go along.
    bool CopyFile(const std::string& from, const std::string& to);
    // Names in a folder, in the case they have.
    std::vector<std::string> List(const std::string& winDir) const;
    void SetCurrentDirectory(const std::string& winPath);
    std::string CurrentDirectory() const;
    // A file held open by another process without sharing: deleting it or
    // copying from or onto it fails with 32.
    void SetLocked(const std::string& winPath, bool locked);
    std::size_t OpenFindCount() const;

private:
    struct Resolved {
        std::filesystem::path host;
        bool exists = false;
        bool parentExists = false;  // the folder that would hold it exists
    };
    struct FindState {
        std::vector<plat::FindData> entries;
        std::size_t next = 0;
    };

    std::optional<WinPath> Parse(const char* path) const;
    Resolved Resolve(const WinPath& path) const;
    std::filesystem::path DriveRoot(char drive) const;
    std::uint32_t AttributesOf(const std::filesystem::path& host) const;
    bool ReadOnly(const std::filesystem::path& host) const;
    bool Locked(const std::filesystem::path& host) const;
    void Forget(const std::filesystem::path& host);
    // Resolves `path` and sets the last error for a missing one: 3 when its
    // folder is missing, 2 when only the item is.
    std::optional<Resolved> ResolveExisting(const char* path);
    bool Fail(std::uint32_t error);
    bool WriteLocked(const WinPath& path, std::string_view bytes);
    bool MakeDirectoriesLocked(const WinPath& path);

    SimContext& m_context;
    std::filesystem::path m_root;
    WinPath m_current;
    std::map<std::string, std::uint32_t> m_attributes;  // by host path
    std::set<std::string> m_locked;                     // by host path
    HandleTable<FindState> m_finds{kFindHandleBase};
};

}  // namespace sim
