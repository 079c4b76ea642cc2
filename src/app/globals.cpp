#include "app/globals.h"

std::uint32_t g_nMsgUpdateData = 0;
std::atomic<bool> g_bPortFound{true};
