// Fault injection and call hooks of the simulated Windows.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/sim/sim_windows.h"

namespace {

TEST(SimFaults, FailNextFailsTheGivenNumberOfCallsWithTheGivenError) {
    sim::SimWindows win;
    std::vector<plat::PortInfo2> ports;
    win.FailNext("EnumPortsA", 1722, 2);
    for (int i = 0; i < 2; ++i) {
        win.system().SetLastError(0);
        EXPECT_FALSE(win.spooler().EnumPortsA(2, &ports));
        EXPECT_EQ(win.system().GetLastError(), 1722u);
        EXPECT_TRUE(ports.empty());
    }
    EXPECT_TRUE(win.spooler().EnumPortsA(2, &ports));
    EXPECT_EQ(win.faults().CallCount("EnumPortsA"), 3);
}

TEST(SimFaults, FailAlwaysLastsUntilCleared) {
    sim::SimWindows win;
    win.FailAlways("RegOpenKeyExA", 5);
    plat::RegKey key = nullptr;
    for (int i = 0; i < 3; ++i) {
        // Registry calls return the error instead of setting it.
        EXPECT_EQ(win.registry().RegOpenKeyExA(plat::RootKey::LocalMachine, "SOFTWARE", plat::kKeyRead, &key), 5);
    }
    win.ClearFaults();
    ASSERT_EQ(win.registry().RegOpenKeyExA(plat::RootKey::LocalMachine, "SOFTWARE", plat::kKeyRead, &key), 0);
    win.registry().RegCloseKey(key);
}

// Each failing call answers as its Win32 counterpart does.
TEST(SimFaults, FailedCallsReturnTheirFailureValue) {
    sim::SimWindows win;
    for (const char* op : {"OpenSCManagerA", "FindFirstFileA", "GetFileAttributesA", "LoadLibraryExA",
                           "AddPrinterA", "GetSystemDirectoryA", "GetCurrentDirectoryA"}) {
        win.FailAlways(op, 1234);
    }
    plat::FindData data;
    char buffer[260];
    win.system().SetLastError(0);
    EXPECT_EQ(win.services().OpenSCManagerA(nullptr, nullptr, plat::kScManagerAllAccess), nullptr);
    EXPECT_EQ(win.files().FindFirstFileA("C:\\*", &data), nullptr);
    EXPECT_EQ(win.files().GetFileAttributesA("C:\\windows"), plat::kInvalidFileAttributes);
    EXPECT_EQ(win.modules().LoadLibraryExA("kernel32", 0), nullptr);
    EXPECT_EQ(win.spooler().AddPrinterA(2, plat::PrinterInfo2{}), nullptr);
    EXPECT_EQ(win.system().GetSystemDirectoryA(buffer, sizeof buffer), 0u);
    EXPECT_EQ(win.files().GetCurrentDirectoryA(sizeof buffer, buffer), 0u);
    EXPECT_EQ(win.system().GetLastError(), 1234u);
}

TEST(SimFaults, HookSeesEveryOperationByItsWin32Name) {
    sim::SimWindows win;
    std::vector<std::string> seen;
    win.SetCallHook([&](std::string_view op) { seen.emplace_back(op); });
    plat::Handle scm = win.services().OpenSCManagerA(nullptr, nullptr, plat::kScManagerAllAccess);
    plat::Handle service = win.services().OpenServiceA(scm, "Spooler", plat::kServiceAllAccess);
    win.services().StartServiceA(service);
    win.services().CloseServiceHandle(service);
    win.services().CloseServiceHandle(scm);
    win.SetCallHook(nullptr);
    EXPECT_EQ(seen, (std::vector<std::string>{"OpenSCManagerA", "OpenServiceA", "StartServiceA",
                                              "CloseServiceHandle", "CloseServiceHandle"}));
}

// A hook that holds one thread must not hold the simulation: other threads
// go on calling, and the held call completes once released.
TEST(SimFaults, HookHoldsOnlyTheCallingThread) {
    sim::SimWindows win;
    std::mutex mutex;
    std::condition_variable cv;
    bool reached = false, released = false;
    win.SetCallHook([&](std::string_view op) {
        if (op != "EnumPortsA") return;
        std::unique_lock<std::mutex> lock(mutex);
        reached = true;
        cv.notify_all();
        cv.wait_for(lock, std::chrono::seconds(10), [&] { return released; });
    });
    std::atomic<bool> result{false};
    std::thread worker([&] {
        std::vector<plat::PortInfo2> ports;
        result = win.spooler().EnumPortsA(2, &ports);
    });
    {
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(10), [&] { return reached; }));
    }
    // The main thread gets through while the worker is held.
    plat::RegKey key = nullptr;
    EXPECT_EQ(win.registry().RegCreateKeyExA(plat::RootKey::CurrentUser, "Software\\Held", plat::kKeyAllAccess, &key), 0);
    win.registry().RegCloseKey(key);
    EXPECT_FALSE(result.load());
    {
        std::lock_guard<std::mutex> lock(mutex);
        released = true;
    }
    cv.notify_all();
    worker.join();
    EXPECT_TRUE(result.load());
    win.SetCallHook(nullptr);
}

TEST(SimFaults, LastErrorBelongsToTheThread) {
    sim::SimWindows win;
    win.system().SetLastError(7);
    std::thread other([&] {
        win.system().SetLastError(9);
        EXPECT_EQ(win.system().GetLastError(), 9u);
    });
    other.join();
    EXPECT_EQ(win.system().GetLastError(), 7u);
}

}  // namespace
