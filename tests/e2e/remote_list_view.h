// Reads a list view that lives in another process. List-view messages carry
// pointers that Windows does not marshal between processes, so the request
// structure and its text buffer are placed in the other process's memory.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

namespace e2e {

// Memory committed in another process, released with the owner.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, SIZE_T size);
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    ~RemoteBuffer();

    bool Valid() const { return address_ != nullptr; }
    char* Address() const { return static_cast<char*>(address_); }
    SIZE_T Size() const { return size_; }
    // Copies `size` bytes at `offset` to or from this process; false when
    // the range does not fit or the copy fails.
    bool Write(SIZE_T offset, const void* data, SIZE_T size) const;
    bool Read(SIZE_T offset, void* data, SIZE_T size) const;

private:
    HANDLE process_;
    void* address_ = nullptr;
    SIZE_T size_;
};

class RemoteListView {
public:
    // `listView` belongs to the process whose id is `processId`.
    RemoteListView(HWND listView, DWORD processId);

    bool Opened() const { return process_ != nullptr; }
    std::optional<int> ColumnCount() const;
    std::optional<std::string> ColumnText(int column) const;
    std::optional<int> ColumnWidth(int column) const;
    std::optional<int> ItemCount() const;
    std::optional<std::string> ItemText(int item, int subItem) const;
    // The LVIS_* state bits of `item` under `mask`.
    std::optional<UINT> ItemState(int item, UINT mask) const;
    std::optional<DWORD> ExtendedStyle() const;
    // Selects `item` and gives it the focus, as a click on it does; false
    // when the program did not take the change.
    bool SelectItem(int item) const;

private:
    HWND listView_;
    struct ProcessCloser {
        void operator()(HANDLE h) const noexcept;
    };
    std::unique_ptr<void, ProcessCloser> process_;
};

}  // namespace e2e
