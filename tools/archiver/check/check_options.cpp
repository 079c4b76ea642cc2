#include "check_options.h"

#include <windows.h>

#include <atomic>
#include <stdexcept>

namespace archiver_check {
namespace {

Options& Stored() {
    static Options options;
    return options;
}

std::string Relative(const std::filesystem::path& root, const std::filesystem::path& entry) {
    std::string text = std::filesystem::relative(entry, root).string();
    for (char& c : text) {
        if (c == '/') c = '\\';
    }
    return text;
}

}  // namespace

const Options& GetOptions() { return Stored(); }
void SetOptions(const Options& options) { Stored() = options; }

ScratchFolder::ScratchFolder() {
    static std::atomic<unsigned> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("archiver-check-" + std::to_string(GetCurrentProcessId()) + "-" +
             std::to_string(counter++));
    std::filesystem::remove_all(path_);
    if (!std::filesystem::create_directories(path_)) {
        throw std::runtime_error("cannot make " + path_.string());
    }
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::set<std::string> FilesUnder(const std::filesystem::path& root) {
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) files.insert(Relative(root, entry.path()));
    }
    return files;
}

std::set<std::string> EntriesUnder(const std::filesystem::path& root) {
    std::set<std::string> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        entries.insert(Relative(root, entry.path()));
    }
    return entries;
}

}  // namespace archiver_check
