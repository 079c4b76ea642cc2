#include "staging.h"

#include <windows.h>

#include <vector>

namespace archiver {
namespace {

std::string Join(const std::string& folder, const std::string& name) {
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) return folder + name;
    return folder + "\\" + name;
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Makes `path` and the folders above it that are missing, as 7za.exe does
// for its output folder.
bool MakeFolders(const std::string& path) {
    if (IsFolder(path)) return true;
    const auto slash = path.find_last_of("\\/");
    if (slash != std::string::npos && slash > 0) MakeFolders(path.substr(0, slash));
    return CreateDirectoryA(path.c_str(), nullptr) || IsFolder(path);
}

// The names in `folder`, without "." and "..".
std::vector<WIN32_FIND_DATAA> Entries(const std::string& folder) {
    std::vector<WIN32_FIND_DATAA> entries;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA(Join(folder, "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return entries;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") entries.push_back(found);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return entries;
}

void RemoveTree(const std::string& path) {
    for (const WIN32_FIND_DATAA& entry : Entries(path)) {
        const std::string child = Join(path, entry.cFileName);
        SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        // A link to a folder is removed, never followed.
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
            (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
            RemoveTree(child);
        } else if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            RemoveDirectoryA(child.c_str());
        } else {
            DeleteFileA(child.c_str());
        }
    }
    RemoveDirectoryA(path.c_str());
}

// Moves what `from` holds into `to`; the paths that failed go to `failed`.
void MoveTree(const std::string& from, const std::string& to, std::string& failed) {
    for (const WIN32_FIND_DATAA& entry : Entries(from)) {
        const std::string source = Join(from, entry.cFileName);
        const std::string target = Join(to, entry.cFileName);
        const bool folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (folder && IsFolder(target)) {
            MoveTree(source, target, failed);
            continue;
        }
        if (MoveFileExA(source.c_str(), target.c_str(), folder ? 0 : MOVEFILE_REPLACE_EXISTING)) {
            continue;
        }
        // A read-only file is overwritten as 7za.exe -y overwrites it.
        if (!folder && SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL) &&
            MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            continue;
        }
        failed += target + "\r\n";
    }
}

}  // namespace

StagingFolder::~StagingFolder() {
    if (!m_path.empty()) RemoveTree(m_path);
}

bool StagingFolder::Make(const std::string& outputDir) {
    if (!MakeFolders(outputDir)) return false;
    const std::string prefix =
        Join(outputDir, "~7-zip32." + std::to_string(GetCurrentProcessId()) + ".");
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = prefix + std::to_string(GetTickCount() + attempt);
        if (CreateDirectoryA(path.c_str(), nullptr)) {
            m_outputDir = outputDir;
            m_path = path;
            return true;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

std::string StagingFolder::MoveIntoPlace() {
    std::string failed;
    MoveTree(m_path, m_outputDir, failed);
    return failed;
}

}  // namespace archiver
