// The buttons of a message box by its type bits, so that an answer the box
// could not give is refused instead of reaching the program.
#pragma once

#include <cstdint>
#include <vector>

namespace sim {

// The buttons a box of this type shows, in order (IDOK, IDYES, ... values).
std::vector<int> MessageBoxButtons(std::uint32_t type);
bool MessageBoxOffers(std::uint32_t type, int button);
// The button that Enter presses: the first, or the one MB_DEFBUTTONn names.
int MessageBoxDefaultButton(std::uint32_t type);

}  // namespace sim
