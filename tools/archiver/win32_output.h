// The Win32 side of the in-process extraction: the archive file as a byte
// source, and the output folder as an OutputTree.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "extraction.h"
#include "unique_handle.h"

namespace archiver {

class FileSource : public ByteSource {
public:
    // Takes over `file`, opened for reading.
    explicit FileSource(UniqueHandle file);
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size, std::size_t* got) override;

private:
    UniqueHandle file_;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = ~std::uint64_t{0};
};

// Writes under the output folder with the wide-character calls, so that
// every name is written as stored; paths too long for the plain calls go
// with the \\?\ prefix. A folder on the way that is a reparse point (a
// junction or a symbolic link) is refused, never followed.
class Win32OutputTree : public OutputTree {
public:
    // `outputDir` in the caller's code page, relative or absolute.
    explicit Win32OutputTree(const std::string& outputDir);
    bool MakeFolder(const std::u16string& path, std::string& why) override;
    bool WriteFile(const std::u16string& path, const unsigned char* data, std::size_t size,
                   std::string& why) override;
    void Undo() override;

private:
    bool MakeRoot(std::string& why);
    // The path as the calls take it: absolute, with \\?\ when long.
    std::wstring ForCalls(const std::wstring& path) const;
    std::wstring Under(const std::u16string& relative) const;

    std::wstring root_;                 // absolute, no trailing backslash
    bool rootReady_ = false;
    std::vector<std::wstring> known_;   // folders checked or made
    std::vector<std::wstring> made_;    // folders made, in order
    std::vector<std::wstring> placed_;  // files put in place
    unsigned counter_ = 0;
};

}  // namespace archiver
