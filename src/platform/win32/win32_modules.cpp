#include "platform/win32/win32_modules.h"

#include "platform/win32/win32_windows.h"

namespace plat::win32 {

Handle Win32Modules::LoadLibraryExA(const char* fileName, std::uint32_t flags) {
    return ::LoadLibraryExA(fileName, nullptr, flags);
}

void* Win32Modules::GetProcAddress(Handle module, const char* procName) {
    // Callers turn the address back into a typed function pointer with
    // plat::ResolveProc.
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), procName));
}

bool Win32Modules::FreeLibrary(Handle module) {
    return ::FreeLibrary(static_cast<HMODULE>(module)) != FALSE;
}

}  // namespace plat::win32
