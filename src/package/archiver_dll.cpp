#include "package/archiver_dll.h"

#include <cstdio>
#include <string>
#include <vector>

CArchiverDll::~CArchiverDll() { Unload(); }

plat::Handle CArchiverDll::LoadFromKnownFolders() {
    // A bare name would also be looked up in the current directory and on
    // PATH, where anybody may plant a library that then runs with the
    // installer's rights. Only the program's own folder and the system folder
    // are searched.
    plat::Handle module = m_modules.LoadLibraryExA(
        kLibraryName, plat::kLoadLibrarySearchApplicationDir | plat::kLoadLibrarySearchSystem32);
    if (module != nullptr || m_system.GetLastError() != plat::err::kInvalidParameter) {
        return module;
    }
    // Systems without the search flags: the same two folders by full path.
    std::string program = m_system.GetModuleFileNameA();
    std::string::size_type slash = program.find_last_of("\\/");
    if (slash != std::string::npos) {
        std::string path = program.substr(0, slash + 1) + kLibraryName;
        module = m_modules.LoadLibraryExA(path.c_str(), 0);
        if (module != nullptr) return module;
    }
    std::vector<char> systemDir(260, '\0');
    std::uint32_t length = m_system.GetSystemDirectoryA(systemDir.data(), 260);
    if (length == 0 || length >= systemDir.size()) return nullptr;
    std::string path = std::string(systemDir.data(), length) + "\\" + kLibraryName;
    return m_modules.LoadLibraryExA(path.c_str(), 0);
}

bool CArchiverDll::Load() {
    Unload();
    m_hModule = LoadFromKnownFolders();
    if (m_hModule == nullptr) return false;
    m_pfnSevenZip = plat::ResolveProc<plat::SevenZipFn>(m_modules, m_hModule, "SevenZip");
    m_pfnSetOwnerWindowEx = plat::ResolveProc<plat::SevenZipSetOwnerWindowExFn>(
        m_modules, m_hModule, "SevenZipSetOwnerWindowEx");
    m_pfnKillOwnerWindowEx = plat::ResolveProc<plat::SevenZipKillOwnerWindowExFn>(
        m_modules, m_hModule, "SevenZipKillOwnerWindowEx");
    m_pfnGetRunning =
        plat::ResolveProc<plat::SevenZipGetRunningFn>(m_modules, m_hModule, "SevenZipGetRunning");
    if (m_pfnSevenZip == nullptr || m_pfnSetOwnerWindowEx == nullptr ||
        m_pfnKillOwnerWindowEx == nullptr) {
        Unload();
        return false;
    }
    return true;
}

unsigned CArchiverDll::Extract(const char* archivePath, const char* outputDir) {
    Load();
    m_system.Sleep(10);
    if (m_hModule == nullptr ||
        m_files.GetFileAttributesA(archivePath) == plat::kInvalidFileAttributes) {
        return 0;
    }
    std::vector<char> command(kCommandSize, '\0');
    std::vector<char> output(kOutputSize + 1, '\0');
    int length = std::snprintf(command.data(), command.size(), "x -y \"%s\" -o\"%s\" -hide",
                               archivePath, outputDir);
    if (length < 0 || static_cast<std::size_t>(length) >= command.size()) {
        return 0;  // a command cut short would name another file or folder
    }
    m_pfnSetOwnerWindowEx(m_hOwnerWnd, &CArchiverDll::ArchiverProc);
    m_system.Sleep(100);
    int result = m_pfnSevenZip(m_hOwnerWnd, command.data(), output.data(), kOutputSize);
    m_pfnKillOwnerWindowEx(m_hOwnerWnd);
    m_system.Sleep(10);
    return result == 0 ? 2u : 0u;
}

void CArchiverDll::Unload() {
    if (m_hModule != nullptr) m_modules.FreeLibrary(m_hModule);
    m_hModule = nullptr;
    m_pfnSevenZip = nullptr;
    m_pfnSetOwnerWindowEx = nullptr;
    m_pfnKillOwnerWindowEx = nullptr;
    m_pfnGetRunning = nullptr;
}

int PLAT_STDCALL CArchiverDll::ArchiverProc(void*, unsigned, unsigned, void*) { return 1; }
