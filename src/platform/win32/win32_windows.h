// The one place the Win32 layer includes the Windows headers, with the
// macros that keep them from clashing with standard C++ (min/max).
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <commctrl.h>
#include <winspool.h>
