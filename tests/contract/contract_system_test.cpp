// Version, word size, folders, time and the library loader as the system
// detection and the archiver wrapper rely on them.
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "contract_support.h"

namespace contract {
namespace {

class SystemContract : public ContractTest {};

TEST_F(SystemContract, VersionRecordSizes) {
    for (std::uint32_t size : {plat::kOsVersionInfoSize, plat::kOsVersionInfoExSize}) {
        plat::OsVersionInfo info;
        info.size = size;
        auto got = Call(System(), [&] { return System().GetVersionExA(&info); });
        ASSERT_TRUE(got.value) << "size " << size << ": " << Describe(got);
        EXPECT_EQ(info.platformId, plat::kVerPlatformWin32Nt);
        EXPECT_GE(info.majorVersion, 5u);
    }
    plat::OsVersionInfo wrong;
    wrong.size = 100;
    auto refused = Call(System(), [&] { return System().GetVersionExA(&wrong); });
    EXPECT_FAILED_WITH(refused, false, plat::err::kInsufficientBuffer);
}

TEST_F(SystemContract, SystemDirectoryBufferRules) {
    char tiny[4];
    const std::uint32_t needed = System().GetSystemDirectoryA(tiny, sizeof tiny);
    ASSERT_GT(needed, static_cast<std::uint32_t>(sizeof tiny));
    std::vector<char> buffer(needed, 'x');
    EXPECT_EQ(System().GetSystemDirectoryA(buffer.data(), needed), needed - 1);
    EXPECT_EQ(std::strlen(buffer.data()), needed - 1);
    EXPECT_NE(std::string(buffer.data()).find(":\\"), std::string::npos) << buffer.data();
}

TEST_F(SystemContract, Wow64IsAnswered) {
    ASSERT_TRUE(System().HasIsWow64Process());
    bool isWow64 = true;
    auto got = Call(System(), [&] { return System().IsWow64Process(&isWow64); });
    EXPECT_TRUE(got.value) << Describe(got);
}

// The lock of one installation at a time: a named mutex belongs to the
// thread that waited for it, may be taken again by it, and is free for
// another thread only once it has been given back as often.
TEST_F(SystemContract, NamedMutexBelongsToTheThreadThatTookIt) {
    const std::string name = "Local\\PrinterInstaller.ContractTest";
    plat::Handle mine = System().CreateMutexA(name);
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(System().WaitForSingleObject(mine, 0), plat::kWaitObject0);
    EXPECT_EQ(System().WaitForSingleObject(mine, 0), plat::kWaitObject0) << "taken again by its owner";
    auto otherWaits = [&](std::uint32_t ms) {
        std::uint32_t result = plat::kWaitFailed;
        std::thread other([&] {
            plat::Handle theirs = System().CreateMutexA(name);
            result = System().WaitForSingleObject(theirs, ms);
            if (result == plat::kWaitObject0) System().ReleaseMutex(theirs);
            System().CloseHandle(theirs);
        });
        other.join();
        return result;
    };
    EXPECT_EQ(otherWaits(50), plat::kWaitTimeout);
    std::uint32_t notOwner = plat::kWaitFailed;
    std::thread stranger([&] {
        auto released = Call(System(), [&] { return System().ReleaseMutex(mine); });
        EXPECT_FAILED_WITH(released, false, plat::err::kNotOwner);
        notOwner = 0;
    });
    stranger.join();
    EXPECT_EQ(notOwner, 0u);
    EXPECT_TRUE(System().ReleaseMutex(mine));
    EXPECT_EQ(otherWaits(0), plat::kWaitTimeout) << "still owned once";
    EXPECT_TRUE(System().ReleaseMutex(mine));
    EXPECT_EQ(otherWaits(0), plat::kWaitObject0);
    EXPECT_TRUE(System().CloseHandle(mine));
}

TEST_F(SystemContract, AdministratorsMembershipIsAnswered) {
    bool member = false;
    auto got = Call(System(), [&] { return System().CheckAdministratorsMembership(&member); });
    EXPECT_TRUE(got.value) << Describe(got);
    EXPECT_TRUE(member) << "the tests run as an administrator";
}

TEST_F(SystemContract, DriverLoadingPrivilegeCanBeAskedFor) {
    plat::Handle token = nullptr;
    auto opened = Call(System(), [&] {
        return System().OpenProcessToken(plat::kTokenAdjustPrivileges | plat::kTokenQuery, &token);
    });
    ASSERT_TRUE(opened.value) << Describe(opened);
    plat::Luid luid;
    auto looked = Call(System(), [&] {
        return System().LookupPrivilegeValueA(nullptr, "SeLoadDriverPrivilege", &luid);
    });
    EXPECT_TRUE(looked.value) << Describe(looked);
    // Enabling a privilege the account lacks still succeeds (with a warning
    // in the last error), so only the call's result is relied on.
    EXPECT_TRUE(System().AdjustTokenPrivileges(token, luid, plat::kSePrivilegeEnabled));
    plat::Luid unknown;
    auto refused = Call(System(), [&] {
        return System().LookupPrivilegeValueA(nullptr, "SeNoSuchPrivilege", &unknown);
    });
    EXPECT_FAILED_WITH(refused, false, 1313u);
    EXPECT_TRUE(System().CloseHandle(token));
}

TEST_F(SystemContract, ModuleFileNameIsAFullPath) {
    const std::string path = System().GetModuleFileNameA();
    ASSERT_GT(path.size(), 3u);
    EXPECT_EQ(path[1], ':');
}

TEST_F(SystemContract, SleepMovesTheTickCountOn) {
    const std::uint32_t before = System().GetTickCount();
    System().Sleep(100);
    EXPECT_GE(System().GetTickCount() - before, 50u);
}

class ModulesContract : public ContractTest {
protected:
    plat::IModules& Modules() { return P().modules; }
};

TEST_F(ModulesContract, Kernel32ResolvesByNameAndRefusesUnknownExports) {
    auto loaded = Call(System(), [&] { return Modules().LoadLibraryExA("kernel32", 0); });
    ASSERT_NE(loaded.value, nullptr) << Describe(loaded);
    EXPECT_NE(Modules().GetProcAddress(loaded.value, "IsWow64Process"), nullptr);
    auto missing = Call(System(), [&] { return Modules().GetProcAddress(loaded.value, "ContractNoSuchExport"); });
    EXPECT_FAILED_WITH(missing, nullptr, plat::err::kProcNotFound);
    EXPECT_TRUE(Modules().FreeLibrary(loaded.value));
}

TEST_F(ModulesContract, MissingLibraryIsNotFound) {
    auto plain = Call(System(), [&] { return Modules().LoadLibraryExA("contract-no-such-library.dll", 0); });
    EXPECT_FAILED_WITH(plain, nullptr, plat::err::kModNotFound);
    // Windows without the search flags refuses them with 87.
    auto searched = Call(System(), [&] {
        return Modules().LoadLibraryExA("contract-no-such-library.dll",
                                        plat::kLoadLibrarySearchApplicationDir | plat::kLoadLibrarySearchSystem32);
    });
    EXPECT_EQ(searched.value, nullptr);
    EXPECT_TRUE(searched.lastError == plat::err::kModNotFound ||
                searched.lastError == plat::err::kInvalidParameter)
        << Describe(searched);
}

}  // namespace
}  // namespace contract
