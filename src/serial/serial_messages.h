// The notifications a serial channel sends its owner window; lParam is
// always the port number n of COMn.
#pragma once

#include <cstdint>

#include "platform/ui.h"

constexpr std::uint32_t WM_SERIAL_BREAK = plat::kWmUser + 1;
constexpr std::uint32_t WM_SERIAL_CTS = plat::kWmUser + 2;
constexpr std::uint32_t WM_SERIAL_LINE_ERROR = plat::kWmUser + 4;
constexpr std::uint32_t WM_SERIAL_RING = plat::kWmUser + 5;
constexpr std::uint32_t WM_SERIAL_BYTE = plat::kWmUser + 7;  // wParam: the byte
constexpr std::uint32_t WM_SERIAL_EVENT_CHAR = plat::kWmUser + 8;
