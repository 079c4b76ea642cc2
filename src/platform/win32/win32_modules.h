// Run-time library loading through kernel32.
#pragma once

#include "platform/modules.h"

namespace plat::win32 {

class Win32Modules final : public IModules {
public:
    Handle LoadLibraryExA(const char* fileName, std::uint32_t flags) override;
    void* GetProcAddress(Handle module, const char* procName) override;
    bool FreeLibrary(Handle module) override;
};

}  // namespace plat::win32
