#include "platform/win32/win32_files.h"

#include "platform/win32/win32_windows.h"

namespace plat::win32 {
namespace {

void CopyFindData(const WIN32_FIND_DATAA& from, FindData* to) {
    if (to == nullptr) return;
    to->attributes = from.dwFileAttributes;
    to->fileName = from.cFileName;
}

}  // namespace

std::uint32_t Win32Files::GetFileAttributesA(const char* path) {
    return ::GetFileAttributesA(path);
}

bool Win32Files::SetFileAttributesA(const char* path, std::uint32_t attributes) {
    return ::SetFileAttributesA(path, attributes) != FALSE;
}

Handle Win32Files::FindFirstFileA(const char* pattern, FindData* data) {
    WIN32_FIND_DATAA found{};
    HANDLE find = ::FindFirstFileA(pattern, &found);
    // The portable interface has one "no handle" value: nullptr.
    if (find == INVALID_HANDLE_VALUE) return nullptr;
    CopyFindData(found, data);
    return find;
}

bool Win32Files::FindNextFileA(Handle find, FindData* data) {
    WIN32_FIND_DATAA found{};
    if (!::FindNextFileA(static_cast<HANDLE>(find), &found)) return false;
    CopyFindData(found, data);
    return true;
}

bool Win32Files::FindClose(Handle find) { return ::FindClose(static_cast<HANDLE>(find)) != FALSE; }

bool Win32Files::DeleteFileA(const char* path) { return ::DeleteFileA(path) != FALSE; }

bool Win32Files::RemoveDirectoryA(const char* path) { return ::RemoveDirectoryA(path) != FALSE; }

bool Win32Files::CreateDirectoryA(const char* path) {
    return ::CreateDirectoryA(path, nullptr) != FALSE;
}

bool Win32Files::CopyFileA(const char* from, const char* to, bool failIfExists) {
    return ::CopyFileA(from, to, failIfExists ? TRUE : FALSE) != FALSE;
}

std::uint32_t Win32Files::GetCurrentDirectoryA(std::uint32_t cch, char* buf) {
    return ::GetCurrentDirectoryA(cch, buf);
}

std::uint32_t Win32Files::GetPrivateProfileSectionNamesA(char* buf, std::uint32_t size,
                                                         const char* fileName) {
    return ::GetPrivateProfileSectionNamesA(buf, size, fileName);
}

std::uint32_t Win32Files::GetPrivateProfileStringA(const char* section, const char* key,
                                                   const char* defaultValue, char* buf,
                                                   std::uint32_t size, const char* fileName) {
    return ::GetPrivateProfileStringA(section, key, defaultValue, buf, size, fileName);
}

}  // namespace plat::win32
