// Where the archiver checks find their inputs, from the command line.
#pragma once

#include <filesystem>
#include <set>
#include <string>

namespace archiver_check {

struct Options {
    std::filesystem::path dist;          // 7-zip32.dll, DriverData.Drv
    std::filesystem::path fixtures;      // the crafted archives
    std::filesystem::path placeholders;  // the sample package's placeholder list
};

// Set once by main before the tests run.
const Options& GetOptions();
void SetOptions(const Options& options);

// A fresh, empty folder under the temporary folder, removed with all it
// holds when the owner goes. Non-copyable: one owner removes it once.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The files (not folders) under `root`, as relative paths with '\'.
std::set<std::string> FilesUnder(const std::filesystem::path& root);

// Everything (files and folders) under `root`, as relative paths with '\'.
std::set<std::string> EntriesUnder(const std::filesystem::path& root);

}  // namespace archiver_check
