// Loader and caller of the archiver library "7-zip32.dll".
#pragma once

#include <cstdint>

#include "platform/archiver_api.h"
#include "platform/platform.h"

class CArchiverDll {
public:
    explicit CArchiverDll(plat::Platform& platform)
        : m_modules(platform.modules), m_system(platform.system), m_files(platform.files) {}
    virtual ~CArchiverDll();
    CArchiverDll(const CArchiverDll&) = delete;
    CArchiverDll& operator=(const CArchiverDll&) = delete;

    // Loads the library from the program's folder or the system folder, never
    // from the current directory or PATH, and resolves its entry points. A
    // library that lacks one of the entry points Extract calls counts as not
    // loaded. Returns whether the library is ready.
    bool Load();
    // Extracts `archivePath` into `outputDir`: 2 when the library reported
    // success, 0 otherwise (no library, no archive, paths too long, failure).
    unsigned Extract(const char* archivePath, const char* outputDir);
    void Unload();

    // The callback registered with the library: lets it go on.
    static int PLAT_STDCALL ArchiverProc(void* hwnd, unsigned msg, unsigned state, void* info);

    static constexpr const char* kLibraryName = "7-zip32.dll";
    static constexpr std::uint32_t kCommandSize = 1024;
    static constexpr std::uint32_t kOutputSize = 16384;

    plat::Handle m_hModule = nullptr;
    plat::SevenZipFn m_pfnSevenZip = nullptr;
    plat::SevenZipSetOwnerWindowExFn m_pfnSetOwnerWindowEx = nullptr;
    plat::SevenZipKillOwnerWindowExFn m_pfnKillOwnerWindowEx = nullptr;
    plat::SevenZipGetRunningFn m_pfnGetRunning = nullptr;
    plat::WindowHandle m_hOwnerWnd = nullptr;

private:
    plat::Handle LoadFromKnownFolders();

    plat::IModules& m_modules;
    plat::ISystem& m_system;
    plat::IFiles& m_files;
};
