#include "window_capture.h"

#include <cstdint>
#include <fstream>
#include <set>

#include "win_handle.h"

namespace e2e {

namespace {

// Rows of a 24-bit DIB are padded to four bytes.
int RowBytes(int width) { return ((width * 3) + 3) & ~3; }

bool WriteBmp(const std::string& path, const BITMAPINFOHEADER& info, const void* pixels,
              size_t pixelBytes) {
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixelBytes);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&info), sizeof(info));
    out.write(static_cast<const char*>(pixels), static_cast<std::streamsize>(pixelBytes));
    return static_cast<bool>(out);
}

}  // namespace

CaptureResult CaptureWindow(HWND window, const std::string& bmpPath) {
    CaptureResult result;
    RECT rect{};
    if (!GetWindowRect(window, &rect)) {
        result.error = "GetWindowRect failed";
        return result;
    }
    result.width = rect.right - rect.left;
    result.height = rect.bottom - rect.top;
    if (result.width <= 0 || result.height <= 0) {
        result.error = "the window has no area";
        return result;
    }

    // From the screen, not from the window: what a person sees, including
    // the frame and whatever covers the window.
    UniqueWindowDc screen(GetDC(nullptr), WindowDcReleaser{nullptr});
    UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format.bmiHeader.biWidth = result.width;
    format.bmiHeader.biHeight = result.height;  // bottom-up, as BMP files store it
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 24;
    format.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(screen.get(), &format, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (!screen || !memory || !bitmap || pixels == nullptr) {
        result.error = "no device context or bitmap";
        return result;
    }
    HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
    const BOOL copied = BitBlt(memory.get(), 0, 0, result.width, result.height, screen.get(),
                               rect.left, rect.top, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    SelectObject(memory.get(), previous);
    if (!copied) {
        result.error = "BitBlt failed, last error " + std::to_string(GetLastError());
        return result;
    }

    const size_t rowBytes = static_cast<size_t>(RowBytes(result.width));
    const size_t pixelBytes = rowBytes * static_cast<size_t>(result.height);
    const auto* bytes = static_cast<const std::uint8_t*>(pixels);
    // A few hundred colours are enough to tell a drawn dialog from a blank.
    std::set<std::uint32_t> colours;
    for (int y = 0; y < result.height && colours.size() < 256; ++y) {
        const std::uint8_t* row = bytes + rowBytes * static_cast<size_t>(y);
        for (int x = 0; x < result.width; ++x) {
            const std::uint8_t* p = row + 3 * x;
            colours.insert(static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)));
        }
    }
    result.distinctColours = colours.size();

    format.bmiHeader.biSizeImage = static_cast<DWORD>(pixelBytes);
    result.saved = WriteBmp(bmpPath, format.bmiHeader, pixels, pixelBytes);
    if (!result.saved) result.error = "cannot write " + bmpPath;
    return result;
}

}  // namespace e2e
