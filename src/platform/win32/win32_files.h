// Files, folders and profile files through kernel32.
#pragma once

#include "platform/files.h"

namespace plat::win32 {

class Win32Files final : public IFiles {
public:
    std::uint32_t GetFileAttributesA(const char* path) override;
    bool SetFileAttributesA(const char* path, std::uint32_t attributes) override;
    Handle FindFirstFileA(const char* pattern, FindData* data) override;
    bool FindNextFileA(Handle find, FindData* data) override;
    bool FindClose(Handle find) override;
    bool DeleteFileA(const char* path) override;
    bool RemoveDirectoryA(const char* path) override;
    bool CreateDirectoryA(const char* path) override;
    bool CopyFileA(const char* from, const char* to, bool failIfExists) override;
    std::uint32_t GetCurrentDirectoryA(std::uint32_t cch, char* buf) override;
    std::uint32_t GetPrivateProfileSectionNamesA(char* buf, std::uint32_t size,
                                                 const char* fileName) override;
    std::uint32_t GetPrivateProfileStringA(const char* section, const char* key,
                                           const char* defaultValue, char* buf,
                                           std::uint32_t size, const char* fileName) override;
};

}  // namespace plat::win32
