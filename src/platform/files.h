// Files, folders and profile (INI) files on the Windows side. Paths are
// Windows paths ("C:\\Ticket\\x86\\a.dll"); names compare without regard to
// case, as on Windows. Results plus last error, as the Win32 calls. Paths may
// be longer than MAX_PATH: the Win32 adapter takes those through the wide
// calls. A junction reports kFileAttributeReparsePoint with the folder bit;
// RemoveDirectoryA on one removes the link, not what it points to.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace plat {

struct FindData {
    std::uint32_t attributes = 0;
    std::string fileName;
};

class IFiles {
public:
    virtual ~IFiles() = default;

    // kInvalidFileAttributes when the path does not exist.
    virtual std::uint32_t GetFileAttributesA(const char* path) = 0;
    virtual bool SetFileAttributesA(const char* path, std::uint32_t attributes) = 0;
    // nullptr when nothing matches (last error kFileNotFound or kPathNotFound).
    virtual Handle FindFirstFileA(const char* pattern, FindData* data) = 0;
    virtual bool FindNextFileA(Handle find, FindData* data) = 0;
    virtual bool FindClose(Handle find) = 0;
    virtual bool DeleteFileA(const char* path) = 0;
    virtual bool RemoveDirectoryA(const char* path) = 0;
    virtual bool CreateDirectoryA(const char* path) = 0;
    virtual bool CopyFileA(const char* from, const char* to, bool failIfExists) = 0;
    // As the Win32 call: the length written (without NUL), or the size
    // needed (with NUL) when `cch` is too small, or 0 on failure.
    virtual std::uint32_t GetCurrentDirectoryA(std::uint32_t cch, char* buf) = 0;
    virtual std::uint32_t GetPrivateProfileSectionNamesA(char* buf, std::uint32_t size,
                                                         const char* fileName) = 0;
    virtual std::uint32_t GetPrivateProfileStringA(const char* section, const char* key,
                                                   const char* defaultValue, char* buf,
                                                   std::uint32_t size, const char* fileName) = 0;
};

}  // namespace plat
