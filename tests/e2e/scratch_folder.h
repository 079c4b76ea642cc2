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

// Removes `dir` and everything below it; true when it is gone.
bool RemoveTree(const std::string& dir);

// Copies `source` into folder `targetDir` under the same name; true on success.
bool CopyInto(const std::string& source, const std::string& targetDir);

}  // namespace e2e
