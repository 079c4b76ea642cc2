#include "win32_output.h"

#include <algorithm>

namespace archiver {
namespace {

// CreateDirectoryW's limit without the prefix (MAX_PATH less a file name of 8.3).
constexpr std::size_t kPlainPathLimit = MAX_PATH - 12;
constexpr DWORD kChunk = 1u << 24;

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                        length, nullptr, nullptr);
    return narrow;
}

std::string Failure(const char* what, const std::wstring& path, DWORD error) {
    return std::string(what) + " " + Narrow(path) + " (error " + std::to_string(error) + ")\r\n";
}

}  // namespace

FileSource::FileSource(UniqueHandle file) : file_(std::move(file)) {
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file_.get(), &size)) size_ = static_cast<std::uint64_t>(size.QuadPart);
}

bool FileSource::ReadAt(std::uint64_t offset, void* buffer, std::size_t size, std::size_t* got) {
    *got = 0;
    if (offset != position_) {
        LARGE_INTEGER to{};
        to.QuadPart = static_cast<LONGLONG>(offset);
        if (!SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN)) return false;
        position_ = offset;
    }
    DWORD read = 0;
    const DWORD wanted = size < kChunk ? static_cast<DWORD>(size) : kChunk;
    if (!ReadFile(file_.get(), buffer, wanted, &read, nullptr)) {
        position_ = ~std::uint64_t{0};
        return false;
    }
    position_ += read;
    *got = read;
    return true;
}

Win32OutputTree::Win32OutputTree(const std::string& outputDir) {
    const std::wstring given = Widen(outputDir);
    const DWORD length = GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
    if (length > 0) {
        root_.assign(length, L'\0');
        const DWORD written = GetFullPathNameW(given.c_str(), length, root_.data(), nullptr);
        root_.resize(written < length ? written : 0);
    }
    while (root_.size() > 3 && (root_.back() == L'\\' || root_.back() == L'/')) root_.pop_back();
    // "C:\" keeps its backslash only while it stands alone.
    if (!root_.empty() && root_.back() == L'\\') root_.pop_back();
}

std::wstring Win32OutputTree::ForCalls(const std::wstring& path) const {
    if (path.size() < kPlainPathLimit) return path;
    if (path.rfind(L"\\\\?\\", 0) == 0) return path;
    if (path.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + path.substr(2);
    return L"\\\\?\\" + path;
}

std::wstring Win32OutputTree::Under(const std::u16string& relative) const {
    return root_ + L"\\" + std::wstring(relative.begin(), relative.end());
}

bool Win32OutputTree::MakeRoot(std::string& why) {
    if (rootReady_) return true;
    if (root_.empty()) {
        why = "cannot tell the output folder's full path\r\n";
        return false;
    }
    // The output folder and the folders above it, as 7-Zip makes them.
    std::vector<std::wstring> missing;
    std::wstring path = root_;
    while (GetFileAttributesW(ForCalls(path + L"\\").c_str()) == INVALID_FILE_ATTRIBUTES) {
        missing.push_back(path);
        const std::size_t slash = path.find_last_of(L'\\');
        if (slash == std::wstring::npos || slash < 3) break;
        path.resize(slash);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (!CreateDirectoryW(ForCalls(*it).c_str(), nullptr)) {
            why = Failure("cannot make the folder", *it, GetLastError());
            return false;
        }
        made_.push_back(*it);
    }
    rootReady_ = true;
    return true;
}

bool Win32OutputTree::MakeFolder(const std::u16string& path, std::string& why) {
    if (!MakeRoot(why)) return false;
    std::wstring current = root_;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(u'\\', start);
        if (end == std::u16string::npos) end = path.size();
        current += L"\\" + std::wstring(path.begin() + start, path.begin() + end);
        start = end + 1;
        if (std::find(known_.begin(), known_.end(), current) != known_.end()) continue;
        const std::wstring call = ForCalls(current);
        const DWORD attributes = GetFileAttributesW(call.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            if (!CreateDirectoryW(call.c_str(), nullptr)) {
                why = Failure("cannot make the folder", current, GetLastError());
                return false;
            }
            made_.push_back(current);
        } else if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            // A junction or link here would take the files elsewhere.
            why = "refused: the folder " + Narrow(current) + " is a link or junction\r\n";
            return false;
        } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            why = "cannot make the folder " + Narrow(current) + ": a file has its name\r\n";
            return false;
        }
        known_.push_back(current);
    }
    return true;
}

bool Win32OutputTree::WriteFile(const std::u16string& path, const unsigned char* data,
                                std::size_t size, std::string& why) {
    if (!MakeRoot(why)) return false;
    const std::wstring target = Under(path);
    const std::wstring targetCall = ForCalls(target);
    const std::wstring folder = target.substr(0, target.find_last_of(L'\\'));
    const std::wstring temporary = folder + L"\\~7-zip32." + std::to_wstring(GetCurrentProcessId()) +
                                   L"." + std::to_wstring(++counter_) + L".tmp";
    const std::wstring temporaryCall = ForCalls(temporary);
    UniqueHandle file(CreateFileW(temporaryCall.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!IsOpen(file)) {
        why = Failure("cannot write", target, GetLastError());
        return false;
    }
    std::size_t done = 0;
    while (done < size) {
        const DWORD wanted = size - done < kChunk ? static_cast<DWORD>(size - done) : kChunk;
        DWORD written = 0;
        if (!::WriteFile(file.get(), data + done, wanted, &written, nullptr) || written != wanted) {
            why = Failure("cannot write", target, GetLastError());
            file.reset();
            DeleteFileW(temporaryCall.c_str());
            return false;
        }
        done += written;
    }
    file.reset();
    // The rename replaces a file of that name, and a link of that name
    // itself: it never writes through one. A folder or a junction of that
    // name makes it fail.
    bool moved = MoveFileExW(temporaryCall.c_str(), targetCall.c_str(), MOVEFILE_REPLACE_EXISTING);
    DWORD error = moved ? ERROR_SUCCESS : GetLastError();
    const DWORD existing = moved ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(targetCall.c_str());
    // A read-only file is replaced as -y replaces it.
    if (!moved && existing != INVALID_FILE_ATTRIBUTES &&
        (existing & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
        SetFileAttributesW(targetCall.c_str(), FILE_ATTRIBUTE_NORMAL)) {
        moved = MoveFileExW(temporaryCall.c_str(), targetCall.c_str(), MOVEFILE_REPLACE_EXISTING);
        if (!moved) error = GetLastError();
    }
    if (!moved) {
        why = existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY) != 0
                  ? "cannot write " + Narrow(target) + ": a folder or a junction has its name\r\n"
                  : Failure("cannot write", target, error);
        DeleteFileW(temporaryCall.c_str());
        return false;
    }
    placed_.push_back(target);
    return true;
}

void Win32OutputTree::Undo() {
    for (auto it = placed_.rbegin(); it != placed_.rend(); ++it) DeleteFileW(ForCalls(*it).c_str());
    // Only folders left empty go: one that held files before stays.
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
        RemoveDirectoryW(ForCalls(*it).c_str());
    }
    placed_.clear();
    made_.clear();
    known_.clear();
    rootReady_ = false;
}

}  // namespace archiver
