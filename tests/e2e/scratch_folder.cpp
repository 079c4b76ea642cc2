#include "scratch_folder.h"

#include <windows.h>

#include <memory>
#include <string>

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

using UnixFileName = char*(CDECL*)(LPCWSTR);

UnixFileName WineUnixFileName() {
    return reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
}

// The host's name for a Windows path (ASCII here), "" when there is none.
std::string UnixName(const std::string& path) {
    const UnixFileName convert = WineUnixFileName();
    if (convert == nullptr) return "";
    const std::wstring wide(path.begin(), path.end());
    char* name = convert(wide.c_str());
    if (name == nullptr) return "";
    std::string text = name;
    HeapFree(GetProcessHeap(), 0, name);
    return text;
}

// Runs `command` (under Wine, a host program too). Wine does not wait for a
// host program, nor tell its exit code: callers look for its effect.
void Run(std::string command) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
        return;
    }
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

// Whether `done()` holds within five seconds.
template <typename Done>
bool Within5s(Done done) {
    for (int i = 0; i < 500; ++i, Sleep(10)) {
        if (done()) return true;
    }
    return false;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

bool UnderWine() { return WineUnixFileName() != nullptr; }

FolderLink::FolderLink(const std::string& link, const std::string& target) : link_(link) {
    if (UnderWine()) {
        Run("Z:\\bin\\ln -s " + Quoted(UnixName(target)) + " " + Quoted(UnixName(link)));
    } else {
        Run("cmd.exe /c mklink /J " + Quoted(link) + " " + Quoted(target));
    }
    Within5s([this] { return Made(); });
}

FolderLink::~FolderLink() {
    if (!Made()) return;
    if (!UnderWine()) {
        RemoveDirectoryA(link_.c_str());
        return;
    }
    // Wine's RemoveDirectory follows a link: it removes an empty target and
    // refuses (145) a full one, and the link stays. The host's rm removes it.
    Run("Z:\\bin\\rm " + Quoted(UnixName(link_)));
    Within5s([this] { return GetFileAttributesA(link_.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

bool FolderLink::Made() const {
    const DWORD attributes = GetFileAttributesA(link_.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

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
