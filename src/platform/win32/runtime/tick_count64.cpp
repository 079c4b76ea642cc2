// GetTickCount64 for programs that must also load on Windows XP and Server
// 2003, which lack it. The POSIX-thread runtime linked statically into every
// program calls it for its timed waits, and a program that imports a function
// the system does not export is refused by the loader before any code runs.
//
// This file defines the import slot those calls go through, so the linker
// takes this definition instead of the kernel32 import: the real function is
// looked up at run time (and used where it exists, so Windows Vista and later
// behave exactly as with the import), else the count is extended from
// GetTickCount. Link it as an object file, not from an archive, so that it is
// part of the program before the runtime's import is looked for.
#include <windows.h>

#include <atomic>
#include <cstdint>

namespace {

using TickCount64Fn = ULONGLONG(WINAPI*)();

// The system's GetTickCount64, or null where kernel32 lacks it. The statics
// are constant-initialised: no guard (and so no lock of the runtime that
// calls in here) is involved. Threads racing to resolve store the same value.
TickCount64Fn SystemTickCount64() {
    static std::atomic<bool> s_bResolved{false};
    static std::atomic<TickCount64Fn> s_pfnTickCount64{nullptr};
    if (!s_bResolved.load(std::memory_order_acquire)) {
        TickCount64Fn pfn = nullptr;
        if (HMODULE kernel = GetModuleHandleA("kernel32.dll")) {
            // Through the generic function pointer type, which may be cast
            // to any other without a warning.
            pfn = reinterpret_cast<TickCount64Fn>(
                reinterpret_cast<void (*)()>(GetProcAddress(kernel, "GetTickCount64")));
        }
        s_pfnTickCount64.store(pfn, std::memory_order_relaxed);
        s_bResolved.store(true, std::memory_order_release);
    }
    return s_pfnTickCount64.load(std::memory_order_relaxed);
}

// Milliseconds since start-up from the 32-bit GetTickCount, which returns to
// 0 every 49.7 days: each call that sees the low part go back counts one
// more turn. Every value stored comes from a GetTickCount read after the
// value it replaces was loaded, so the result never goes back, provided the
// function is called at least once per turn (any waiting thread does).
ULONGLONG ExtendedTickCount() {
    static std::atomic<std::uint64_t> s_nLastTicks{0};
    std::uint64_t last = s_nLastTicks.load();
    for (;;) {
        const std::uint32_t now = GetTickCount();
        std::uint64_t next = (last & ~std::uint64_t{0xFFFFFFFF}) | now;
        if (now < static_cast<std::uint32_t>(last)) next += std::uint64_t{1} << 32;
        if (s_nLastTicks.compare_exchange_weak(last, next)) return next;
    }
}

ULONGLONG WINAPI TickCount64() {
    if (TickCount64Fn pfn = SystemTickCount64()) return pfn();
    return ExtendedTickCount();
}

}  // namespace

// The import slot by its linker name: stdcall decoration and the leading
// underscore of C names on i686, the plain name on x86_64.
#if defined(__i386__)
#define TICK_COUNT64_IMPORT_SLOT "__imp__GetTickCount64@0"
#else
#define TICK_COUNT64_IMPORT_SLOT "__imp_GetTickCount64"
#endif
extern "C" {
extern const TickCount64Fn g_pfnGetTickCount64Import __asm__(TICK_COUNT64_IMPORT_SLOT);
__attribute__((used)) const TickCount64Fn g_pfnGetTickCount64Import = &TickCount64;
}
