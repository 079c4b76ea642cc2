// A private folder inside the output folder that 7za.exe extracts into
// while the archive's listing is still being checked: nothing reaches the
// output folder itself before every entry has been seen to be safe. It lies
// on the same drive, so moving its contents into place is a rename.
#pragma once

#include <string>

namespace archiver {

class StagingFolder {
public:
    StagingFolder() = default;
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;
    // Removes the folder with whatever is still in it.
    ~StagingFolder();

    // Makes a new, empty folder inside `outputDir` (made first if missing).
    // False when neither could be made.
    bool Make(const std::string& outputDir);
    const std::string& Path() const { return m_path; }

    // Moves everything extracted into the output folder, merging with the
    // folders there and replacing files of the same name. Returns the paths
    // that could not be moved ("" when all were).
    std::string MoveIntoPlace();

private:
    std::string m_outputDir;
    std::string m_path;
};

}  // namespace archiver
