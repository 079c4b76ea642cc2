// A picture of a window as it shows on the screen, saved as a 24-bit BMP
// (the test wrapper turns it into PNG for people to look at).
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

struct CaptureResult {
    bool saved = false;
    // Number of different colours seen; 1 means the picture is blank.
    size_t distinctColours = 0;
    int width = 0;
    int height = 0;
    std::string error;
};

// Copies the screen area of `window` (with its frame) into `bmpPath`.
CaptureResult CaptureWindow(HWND window, const std::string& bmpPath);

}  // namespace e2e
