// Writes small archives for tests of the simulated archiver and of the
// package extraction: any stored path (also "../x" and "/x", which a sound
// extractor refuses), directories and links.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace sim {

struct TestArchiveEntry {
    enum class Kind { kFile, kDirectory, kSymlink, kHardlink };
    std::string path;        // stored as given
    std::string contents;    // a file's bytes
    Kind kind = Kind::kFile;
    std::string linkTarget;  // for links

    static TestArchiveEntry File(std::string path, std::string contents) {
        return {std::move(path), std::move(contents), Kind::kFile, ""};
    }
    static TestArchiveEntry Directory(std::string path) { return {std::move(path), "", Kind::kDirectory, ""}; }
    static TestArchiveEntry Symlink(std::string path, std::string target) {
        return {std::move(path), "", Kind::kSymlink, std::move(target)};
    }
    static TestArchiveEntry Hardlink(std::string path, std::string target) {
        return {std::move(path), "", Kind::kHardlink, std::move(target)};
    }
};

enum class TestArchiveFormat { kSevenZip, kZip, kTar };

// Returns whether the archive was written.
bool WriteTestArchive(const std::filesystem::path& hostPath,
                      const std::vector<TestArchiveEntry>& entries, TestArchiveFormat format);

}  // namespace sim
