#include "remote_list_view.h"

#include <commctrl.h>

#include "dialog_probe.h"

namespace e2e {

namespace {
// Longest text the harness reads from one cell or header; longer text is
// cut, never overrun.
constexpr int kTextCapacity = 1024;
}  // namespace

RemoteBuffer::RemoteBuffer(HANDLE process, SIZE_T size) : process_(process), size_(size) {
    address_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

RemoteBuffer::~RemoteBuffer() {
    if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
}

bool RemoteBuffer::Write(SIZE_T offset, const void* data, SIZE_T size) const {
    if (!Valid() || offset > size_ || size > size_ - offset) return false;
    SIZE_T done = 0;
    return WriteProcessMemory(process_, Address() + offset, data, size, &done) && done == size;
}

bool RemoteBuffer::Read(SIZE_T offset, void* data, SIZE_T size) const {
    if (!Valid() || offset > size_ || size > size_ - offset) return false;
    SIZE_T done = 0;
    return ReadProcessMemory(process_, Address() + offset, data, size, &done) && done == size;
}

void RemoteListView::ProcessCloser::operator()(HANDLE h) const noexcept {
    if (h != nullptr) CloseHandle(h);
}

RemoteListView::RemoteListView(HWND listView, DWORD processId)
    : listView_(listView),
      process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                               PROCESS_QUERY_INFORMATION,
                           FALSE, processId)) {}

std::optional<int> RemoteListView::ColumnCount() const {
    const auto header = SendBounded(listView_, LVM_GETHEADER, 0, 0);
    if (!header || *header == 0) return std::nullopt;
    const auto count =
        SendBounded(reinterpret_cast<HWND>(*header), HDM_GETITEMCOUNT, 0, 0);
    if (!count) return std::nullopt;
    return static_cast<int>(*count);
}

// Both requests below use one remote block: the structure first, its text
// buffer right after it.
std::optional<std::string> RemoteListView::ColumnText(int column) const {
    if (!Opened()) return std::nullopt;
    RemoteBuffer remote(process_.get(), sizeof(LVCOLUMNA) + kTextCapacity);
    if (!remote.Valid()) return std::nullopt;
    LVCOLUMNA request{};
    request.mask = LVCF_TEXT;
    request.pszText = remote.Address() + sizeof(LVCOLUMNA);
    request.cchTextMax = kTextCapacity;
    const char empty = '\0';
    if (!remote.Write(0, &request, sizeof(request)) ||
        !remote.Write(sizeof(LVCOLUMNA), &empty, 1)) {
        return std::nullopt;
    }
    const auto ok = SendBounded(listView_, LVM_GETCOLUMNA, static_cast<WPARAM>(column),
                                reinterpret_cast<LPARAM>(remote.Address()));
    if (!ok || *ok == 0) return std::nullopt;
    // The control may point pszText at its own copy instead of filling ours.
    LVCOLUMNA answer{};
    if (!remote.Read(0, &answer, sizeof(answer))) return std::nullopt;
    char text[kTextCapacity + 1] = {};
    if (answer.pszText == request.pszText) {
        if (!remote.Read(sizeof(LVCOLUMNA), text, kTextCapacity)) return std::nullopt;
    } else {
        SIZE_T done = 0;
        if (!ReadProcessMemory(process_.get(), answer.pszText, text, kTextCapacity, &done)) {
            return std::nullopt;
        }
    }
    text[kTextCapacity] = '\0';
    return std::string(text);
}

std::optional<int> RemoteListView::ColumnWidth(int column) const {
    const auto width = SendBounded(listView_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0);
    if (!width) return std::nullopt;
    return static_cast<int>(*width);
}

std::optional<int> RemoteListView::ItemCount() const {
    const auto count = SendBounded(listView_, LVM_GETITEMCOUNT, 0, 0);
    if (!count) return std::nullopt;
    return static_cast<int>(*count);
}

std::optional<std::string> RemoteListView::ItemText(int item, int subItem) const {
    if (!Opened()) return std::nullopt;
    RemoteBuffer remote(process_.get(), sizeof(LVITEMA) + kTextCapacity);
    if (!remote.Valid()) return std::nullopt;
    LVITEMA request{};
    request.iSubItem = subItem;
    request.pszText = remote.Address() + sizeof(LVITEMA);
    request.cchTextMax = kTextCapacity;
    const char empty = '\0';
    if (!remote.Write(0, &request, sizeof(request)) ||
        !remote.Write(sizeof(LVITEMA), &empty, 1)) {
        return std::nullopt;
    }
    const auto length = SendBounded(listView_, LVM_GETITEMTEXTA, static_cast<WPARAM>(item),
                                    reinterpret_cast<LPARAM>(remote.Address()));
    if (!length) return std::nullopt;
    char text[kTextCapacity + 1] = {};
    if (!remote.Read(sizeof(LVITEMA), text, kTextCapacity)) return std::nullopt;
    text[kTextCapacity] = '\0';
    return std::string(text);
}

std::optional<UINT> RemoteListView::ItemState(int item, UINT mask) const {
    const auto state = SendBounded(listView_, LVM_GETITEMSTATE, static_cast<WPARAM>(item),
                                   static_cast<LPARAM>(mask));
    if (!state) return std::nullopt;
    return static_cast<UINT>(*state);
}

std::optional<DWORD> RemoteListView::ExtendedStyle() const {
    const auto style = SendBounded(listView_, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    if (!style) return std::nullopt;
    return static_cast<DWORD>(*style);
}

bool RemoteListView::SelectItem(int item) const {
    if (!Opened()) return false;
    RemoteBuffer remote(process_.get(), sizeof(LVITEMA));
    LVITEMA request{};
    request.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    request.state = LVIS_SELECTED | LVIS_FOCUSED;
    if (!remote.Valid() || !remote.Write(0, &request, sizeof(request))) return false;
    const auto done = SendBounded(listView_, LVM_SETITEMSTATE, static_cast<WPARAM>(item),
                                  reinterpret_cast<LPARAM>(remote.Address()));
    return done.value_or(FALSE) != FALSE;
}

}  // namespace e2e
