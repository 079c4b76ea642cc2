// A folder of the test's own under the Windows temporary folder, removed
// with everything in it when the owner goes away.
#pragma once

#include <string>

namespace e2e {

class ScratchFolder {
public:
    // Creates "<temp>\<name>", emptied first if it exists; check Created().
    explicit ScratchFolder(const std::string& name);
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();

    bool Created() const { return created_; }
    const std::string& Path() const { return path_; }
    // Creates "<this>\<relative>" (one level); returns its path, "" on failure.
    std::string MakeSubfolder(const std::string& relative) const;

private:
    std::string path_;
    bool created_ = false;
};

// A folder link at `link` to the folder `target`, as `mklink /J` makes one;
// removed (the link only) when the owner goes. Wine makes none that way
// (mklink, CreateSymbolicLinkW and FSCTL_SET_REPARSE_POINT leave nothing),
// but reports a Unix symbolic link as a folder reparse point: under Wine the
// link is one, made by the host's ln.
class FolderLink {
public:
    FolderLink(const std::string& link, const std::string& target);
    FolderLink(const FolderLink&) = delete;
    FolderLink& operator=(const FolderLink&) = delete;
    ~FolderLink();

    // Whether `link` is there and reported as a reparse point.
    bool Made() const;

private:
    std::string link_;
};

// Whether this runs under Wine (kernel32 has wine_get_unix_file_name).
bool UnderWine();

// Removes `dir` and everything below it; true when it is gone.
bool RemoveTree(const std::string& dir);

// Copies `source` into folder `targetDir` under the same name; true on success.
bool CopyInto(const std::string& source, const std::string& targetDir);

}  // namespace e2e
