// An owner for a kernel handle that closes it once.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace archiver {

struct HandleCloser {
    void operator()(HANDLE handle) const {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

// CreateFileA's failure value is INVALID_HANDLE_VALUE, not null.
inline bool IsOpen(const UniqueHandle& handle) {
    return handle && handle.get() != INVALID_HANDLE_VALUE;
}

}  // namespace archiver
