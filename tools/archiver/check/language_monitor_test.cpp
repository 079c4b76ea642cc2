// The sample package's language monitor DLL of this build's width, as the
// spooler takes it: loaded, asked for its monitor table, registered.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "check_options.h"
#include "platform/archiver_api.h"

namespace archiver_check {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN64
constexpr const char* kMonitorDll = "Barcode\\x64\\ldaNLM64.dll";
constexpr const char* kEnvironment = "Windows x64";
#else
constexpr const char* kMonitorDll = "Barcode\\x86\\ldaNLMNT.dll";
constexpr const char* kEnvironment = "Windows NT x86";
#endif

using InitializeFn = const DWORD*(WINAPI*)(void* init, HANDLE* monitorHandle);

// Extracts the sample package with the distribution folder's 7-zip32.dll.
fs::path ExtractSample(const fs::path& folder) {
    HMODULE library = LoadLibraryExA((GetOptions().dist / "7-zip32.dll").string().c_str(), nullptr,
                                     LOAD_WITH_ALTERED_SEARCH_PATH);
    EXPECT_NE(library, nullptr) << "last error " << GetLastError();
    if (library == nullptr) return folder / kMonitorDll;
    auto sevenZip = reinterpret_cast<plat::SevenZipFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "SevenZip")));
    EXPECT_NE(sevenZip, nullptr);
    if (sevenZip != nullptr) {
        const std::string command = "x -y \"" + (GetOptions().dist / "DriverData.Drv").string() +
                                    "\" -o\"" + folder.string() + "\" -hide";
        char output[1024] = {};
        EXPECT_EQ(sevenZip(nullptr, command.c_str(), output, sizeof output), 0) << output;
    }
    FreeLibrary(library);
    return folder / kMonitorDll;
}

TEST(LanguageMonitor, HandsTheSpoolerATableOfTheRightSize) {
    ScratchFolder scratch;
    const fs::path dll = ExtractSample(scratch.Path());
    HMODULE module = LoadLibraryExA(dll.string().c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    ASSERT_NE(module, nullptr) << dll.string() << ", last error " << GetLastError();
    auto initialize =
        reinterpret_cast<InitializeFn>(reinterpret_cast<void (*)()>(
            GetProcAddress(module, "InitializePrintMonitor2")));
    ASSERT_NE(initialize, nullptr);

    HANDLE handle = nullptr;
    const DWORD* table = initialize(nullptr, &handle);
    ASSERT_NE(table, nullptr);
    EXPECT_NE(handle, nullptr);
    // The size, then nineteen entry points, aligned as pointers are.
    const DWORD expected = static_cast<DWORD>(sizeof(void*) + 19 * sizeof(void*));
    EXPECT_EQ(*table, expected);
    FreeLibrary(module);
}

TEST(LanguageMonitor, IsAcceptedByTheSpooler) {
    ScratchFolder scratch;
    const fs::path dll = ExtractSample(scratch.Path());
    char name[] = "Sample Language Monitor Check";
    std::string environment = kEnvironment;
    std::string path = dll.string();
    MONITOR_INFO_2A info{name, environment.data(), path.data()};
    SetLastError(0xDEADBEEF);
    BOOL added = AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    DWORD error = GetLastError();
    EXPECT_TRUE(added) << "last error " << error;
    if (added) {
        EXPECT_TRUE(DeleteMonitorA(nullptr, environment.data(), name));
    }
}

}  // namespace
}  // namespace archiver_check
