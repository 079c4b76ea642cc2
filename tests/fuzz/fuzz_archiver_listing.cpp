// The stand-in archiver's reading of 7za.exe's technical listing: an archive
// it lets through holds only plain entries whose every path component stays
// inside the output folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "listing.h"

namespace {

// Independent of the parser's own check: no drive or stream, no rooted
// path, no component that Windows reads as this folder or its parent.
bool StaysInside(std::string_view path) {
    if (path.empty() || path.find(':') != std::string_view::npos) return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find_first_of("\\/", start);
        const std::string_view part = path.substr(start, end == std::string_view::npos ? end : end - start);
        if (part.empty() || part.find_first_not_of(". ") == std::string_view::npos) return false;
        for (unsigned char c : part) {
            if (c < 0x20 || c == 0x7F) return false;
        }
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto entries = archiver::ParseTechnicalListing(text);
    if (!entries || archiver::FindUnsafeEntry(*entries)) return 0;
    for (const archiver::ListedEntry& entry : *entries) {
        if (!StaysInside(entry.path) || archiver::IsLink(entry) || !entry.symbolicLink.empty() ||
            !entry.hardLink.empty()) {
            std::abort();
        }
        // No entry may hide a line break: it could pose as another entry.
        if (entry.path.find_first_of("\r\n") != std::string::npos) std::abort();
    }
    return 0;
}
