// The four entry points of the stand-in "7-zip32.dll", exported under their
// plain names by sevenzip32.def (stdcall in the 32-bit build).
#include <windows.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <type_traits>

#include "extractor.h"
#include "platform/archiver_api.h"
#include "result_codes.h"

namespace {

// The progress record handed to the owner's callback.
struct ProgressRecord {
    DWORD fileSize;
    DWORD writtenSize;
    char sourceFileName[513];  // the archive
    char reserved1[3];
    char destFileName[513];    // the output folder
    char reserved2[3];
};

// One owner window at a time, as the installer registers it around a call.
class OwnerRegistry {
public:
    bool Set(void* window, plat::ArchiverCallback callback) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (callback == nullptr || (callback_ != nullptr && window_ != window)) return false;
        window_ = window;
        callback_ = callback;
        return true;
    }
    bool Kill(void* window) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (callback_ == nullptr || window_ != window) return false;
        window_ = nullptr;
        callback_ = nullptr;
        return true;
    }
    // The callback registered for `window`, or none.
    plat::ArchiverCallback For(void* window) {
        std::lock_guard<std::mutex> lock(mutex_);
        return window_ == window ? callback_ : nullptr;
    }

private:
    std::mutex mutex_;
    void* window_ = nullptr;
    plat::ArchiverCallback callback_ = nullptr;
};

OwnerRegistry& Owners() {
    static OwnerRegistry registry;
    return registry;
}

std::atomic<int>& RunningCalls() {
    static std::atomic<int> count{0};
    return count;
}

// Counts a SevenZip call for SevenZipGetRunning while it lasts.
class RunningCall {
public:
    RunningCall() { RunningCalls()++; }
    ~RunningCall() { RunningCalls()--; }
    RunningCall(const RunningCall&) = delete;
    RunningCall& operator=(const RunningCall&) = delete;
};

void CopyName(char (&target)[513], const char* source) {
    std::strncpy(target, source, sizeof(target) - 1);
    target[sizeof(target) - 1] = '\0';
}

}  // namespace

extern "C" {

int PLAT_STDCALL SevenZip(void* hwnd, const char* cmdLine, char* output,
                          std::uint32_t outputSize) {
    RunningCall running;
    // Called outside the registry's lock, so the callback may itself call
    // SevenZipKillOwnerWindowEx.
    plat::ArchiverCallback callback = Owners().For(hwnd);
    const UINT message = RegisterWindowMessageA("wm_arcextract");
    auto notify = [&](archiver::Moment moment, const char* archive, const char* outputDir) {
        if (callback == nullptr) return true;
        ProgressRecord record{};
        CopyName(record.sourceFileName, archive);
        CopyName(record.destFileName, outputDir);
        return callback(hwnd, message, static_cast<unsigned>(moment), &record) != FALSE;
    };
    // No exception may cross into the caller, which may not be C++ at all.
    try {
        return archiver::RunExtraction(cmdLine, output, outputSize, notify);
    } catch (...) {
        if (output != nullptr && outputSize > 0) output[0] = '\0';
        return archiver::kOutOfResources;
    }
}

int PLAT_STDCALL SevenZipSetOwnerWindowEx(void* hwnd, plat::ArchiverCallback callback) {
    return Owners().Set(hwnd, callback) ? TRUE : FALSE;
}

int PLAT_STDCALL SevenZipKillOwnerWindowEx(void* hwnd) {
    return Owners().Kill(hwnd) ? TRUE : FALSE;
}

int PLAT_STDCALL SevenZipGetRunning() { return RunningCalls().load() > 0 ? TRUE : FALSE; }

}  // extern "C"

// The exports have exactly the types the installer resolves them into.
static_assert(std::is_same_v<decltype(&SevenZip), plat::SevenZipFn>);
static_assert(std::is_same_v<decltype(&SevenZipSetOwnerWindowEx), plat::SevenZipSetOwnerWindowExFn>);
static_assert(std::is_same_v<decltype(&SevenZipKillOwnerWindowEx), plat::SevenZipKillOwnerWindowExFn>);
static_assert(std::is_same_v<decltype(&SevenZipGetRunning), plat::SevenZipGetRunningFn>);
