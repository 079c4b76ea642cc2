// Owners for the Windows handles the end-to-end harness opens: each closes
// its handle exactly once and cannot be copied.
#pragma once

#include <windows.h>

#include <memory>

namespace e2e {

struct HandleCloser {
    void operator()(HANDLE h) const noexcept {
        if (h != nullptr && h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};
// A kernel handle (process, thread, snapshot, file). Null or
// INVALID_HANDLE_VALUE mean "none".
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// Takes a handle that a call returned; INVALID_HANDLE_VALUE becomes empty so
// that one test (`if (!h)`) covers both ways Windows reports failure.
inline UniqueHandle Own(HANDLE h) {
    return UniqueHandle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

struct WindowDcReleaser {
    HWND window;
    void operator()(HDC dc) const noexcept { ReleaseDC(window, dc); }
};
using UniqueWindowDc = std::unique_ptr<HDC__, WindowDcReleaser>;

struct DcDeleter {
    void operator()(HDC dc) const noexcept { DeleteDC(dc); }
};
using UniqueMemoryDc = std::unique_ptr<HDC__, DcDeleter>;

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const noexcept { DeleteObject(object); }
};
using UniqueBitmap = std::unique_ptr<HBITMAP__, GdiObjectDeleter>;

}  // namespace e2e
