// Windows release codes and the names shown for them.
#pragma once

#include <cstdint>
#include <string>

// The release code (1 to 12) for a version record, or -1 when unknown.
int WindowsVersionCode(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor);
// The name shown for a release code (each ends with a blank), "" for others.
const char* WindowsName(int code);
// "Current System is <name> <word size>".
std::string FormatSystemLine(int code, const char* wordSize);
