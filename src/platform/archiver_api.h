// Entry points of the archiver library "7-zip32.dll" as the installer calls
// them, resolved by name at run time. Stdcall in the 32-bit Windows build.
#pragma once

#include <cstdint>

#include "platform/modules.h"

namespace plat {

// Owner-window callback the library calls while it works; answering 0 asks
// it to stop. `info` points to the library's own progress record.
using ArchiverCallback = int(PLAT_STDCALL*)(void* hwnd, unsigned msg, unsigned state, void* info);

using SevenZipFn = int(PLAT_STDCALL*)(void* hwnd, const char* cmdLine, char* output,
                                      std::uint32_t outputSize);
using SevenZipSetOwnerWindowExFn = int(PLAT_STDCALL*)(void* hwnd, ArchiverCallback callback);
using SevenZipKillOwnerWindowExFn = int(PLAT_STDCALL*)(void* hwnd);
using SevenZipGetRunningFn = int(PLAT_STDCALL*)();

}  // namespace plat
