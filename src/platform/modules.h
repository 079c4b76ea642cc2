// Loading libraries at run time.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace plat {

constexpr std::uint32_t kLoadLibrarySearchApplicationDir = 0x00000200;
constexpr std::uint32_t kLoadLibrarySearchSystem32 = 0x00000800;

// Calling convention of the entry points a library exports.
#if defined(_WIN32) && !defined(_WIN64)
#define PLAT_STDCALL __stdcall
#else
#define PLAT_STDCALL
#endif

class IModules {
public:
    virtual ~IModules() = default;

    // As LoadLibraryExA; nullptr and last error on failure. Flags 0 is the
    // plain LoadLibraryA search.
    virtual Handle LoadLibraryExA(const char* fileName, std::uint32_t flags) = 0;
    virtual void* GetProcAddress(Handle module, const char* procName) = 0;
    virtual bool FreeLibrary(Handle module) = 0;
};

// Resolves an entry point into a pointer of the declared function type, so a
// call with the wrong signature does not compile.
template <typename Fn>
Fn ResolveProc(IModules& modules, Handle module, const char* name) {
    return reinterpret_cast<Fn>(modules.GetProcAddress(module, name));
}

}  // namespace plat
