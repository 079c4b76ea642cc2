#include "scratch_folder.h"

#include <windows.h>

#include <memory>

namespace e2e {

namespace {

struct FindCloser {
    void operator()(HANDLE h) const noexcept { FindClose(h); }
};

// Deep enough for any folder this harness makes; stops a runaway recursion
// through a junction.
constexpr int kMaxDepth = 16;

bool RemoveTreeAt(const std::string& dir, int depth) {
    if (depth > kMaxDepth) return false;
    WIN32_FIND_DATAA entry{};
    HANDLE first = FindFirstFileA((dir + "\\*").c_str(), &entry);
    if (first != INVALID_HANDLE_VALUE) {
        std::unique_ptr<void, FindCloser> search(first);
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = dir + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTreeAt(path, depth + 1);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search.get(), &entry));
    }
    RemoveDirectoryA(dir.c_str());
    return GetFileAttributesA(dir.c_str()) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace

bool RemoveTree(const std::string& dir) { return RemoveTreeAt(dir, 0); }

bool CopyInto(const std::string& source, const std::string& targetDir) {
    const auto slash = source.find_last_of("\\/");
    const std::string name = slash == std::string::npos ? source : source.substr(slash + 1);
    return CopyFileA(source.c_str(), (targetDir + "\\" + name).c_str(), FALSE) != FALSE;
}

ScratchFolder::ScratchFolder(const std::string& name) {
    char temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length > MAX_PATH) return;
    path_ = std::string(temp) + name;  // GetTempPath ends with a backslash
    RemoveTree(path_);
    created_ = CreateDirectoryA(path_.c_str(), nullptr) != FALSE;
}

ScratchFolder::~ScratchFolder() {
    if (created_) RemoveTree(path_);
}

std::string ScratchFolder::MakeSubfolder(const std::string& relative) const {
    const std::string path = path_ + "\\" + relative;
    return CreateDirectoryA(path.c_str(), nullptr) ? path : std::string();
}

}  // namespace e2e
