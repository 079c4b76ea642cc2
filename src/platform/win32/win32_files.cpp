#include "platform/win32/win32_files.h"

#include <cstring>
#include <optional>
#include <string>

#include "platform/win32/win32_windows.h"

namespace plat::win32 {
namespace {

void CopyFindData(const WIN32_FIND_DATAA& from, FindData* to) {
    if (to == nullptr) return;
    to->attributes = from.dwFileAttributes;
    to->fileName = from.cFileName;
}

// The ANSI calls stop at MAX_PATH (a folder to be made at 12 less). A longer
// path, as a deep tree below a working folder has, goes to the wide call as
// a "\\?\" path, which reaches 32767 characters but takes neither relative
// parts nor forward slashes: GetFullPathNameW resolves those first. nullopt
// for a short path, which keeps the ANSI call.
std::optional<std::wstring> ExtendedPath(const char* path) {
    if (path == nullptr || std::strlen(path) < MAX_PATH - 12) return std::nullopt;
    const int length = ::MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (length <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), length);
    const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) return std::nullopt;
    std::wstring full(size, L'\0');
    const DWORD written = ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    if (written == 0 || written >= size) return std::nullopt;
    full.resize(written);
    if (full.rfind(L"\\\\?\\", 0) == 0) return full;
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

}  // namespace

std::uint32_t Win32Files::GetFileAttributesA(const char* path) {
    if (auto extended = ExtendedPath(path)) return ::GetFileAttributesW(extended->c_str());
    return ::GetFileAttributesA(path);
}

bool Win32Files::SetFileAttributesA(const char* path, std::uint32_t attributes) {
    if (auto extended = ExtendedPath(path)) {
        return ::SetFileAttributesW(extended->c_str(), attributes) != FALSE;
    }
    return ::SetFileAttributesA(path, attributes) != FALSE;
}

Handle Win32Files::FindFirstFileA(const char* pattern, FindData* data) {
    if (auto extended = ExtendedPath(pattern)) {
        WIN32_FIND_DATAW found{};
        HANDLE find = ::FindFirstFileW(extended->c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return nullptr;
        // A name is at most MAX_PATH long, so the ANSI record holds it; the
        // handle serves FindNextFileA as well.
        WIN32_FIND_DATAA narrow{};
        narrow.dwFileAttributes = found.dwFileAttributes;
        ::WideCharToMultiByte(CP_ACP, 0, found.cFileName, -1, narrow.cFileName,
                              sizeof narrow.cFileName, nullptr, nullptr);
        CopyFindData(narrow, data);
        return find;
    }
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

bool Win32Files::DeleteFileA(const char* path) {
    if (auto extended = ExtendedPath(path)) return ::DeleteFileW(extended->c_str()) != FALSE;
    return ::DeleteFileA(path) != FALSE;
}

// On a junction or a folder link this removes the link, not its target.
bool Win32Files::RemoveDirectoryA(const char* path) {
    if (auto extended = ExtendedPath(path)) return ::RemoveDirectoryW(extended->c_str()) != FALSE;
    return ::RemoveDirectoryA(path) != FALSE;
}

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
