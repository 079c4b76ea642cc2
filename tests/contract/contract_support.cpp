#include "contract_support.h"

#include <cstdio>

namespace contract {

std::uint32_t KnownWineGap(std::uint32_t windows, std::uint32_t wine, const char* what) {
    if (!RunningUnderWine()) return windows;
    std::printf("known Wine gap: %s (Windows %u, Wine %u)\n", what, windows, wine);
    return wine;
}

bool KnownWineGap(bool windows, bool wine, const char* what) {
    if (!RunningUnderWine()) return windows;
    std::printf("known Wine gap: %s (Windows: %s, Wine: %s)\n", what, windows ? "yes" : "no",
                wine ? "yes" : "no");
    return wine;
}

}  // namespace contract
