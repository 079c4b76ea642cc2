// The sample package's language monitor DLL of this build's width, as the
// spooler takes it: loaded, asked for its monitor table, registered.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "check_options.h"

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

// Extracts the sample package with the distribution folder's 7za.exe.
fs::path ExtractSample(const fs::path& folder) {
    // Built piece by piece: GCC 12 misreads "literal" + std::string&& here.
    std::string command = "\"";
    command += (GetOptions().dist / "7za.exe").string();
    command += "\" x -y -bd \"-o";
    command += folder.string();
    command += "\" -- \"";
    command += (GetOptions().dist / "DriverData.Drv").string();
    command += "\" >NUL";
    // cmd.exe drops the first and last quote of its command when there are
    // more than two, so the whole command gets one more pair.
    command = "\"" + command + "\"";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
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
