// The program's few globals.
#pragma once

#include <atomic>
#include <cstdint>

// Id of the registered message "MyUpdateData": the dialog copies its members
// into its controls when it receives it.
extern std::uint32_t g_nMsgUpdateData;
// Cleared by the Install command when the chosen port kind has no port.
extern std::atomic<bool> g_bPortFound;

constexpr const char* kUpdateDataMessageName = "MyUpdateData";
