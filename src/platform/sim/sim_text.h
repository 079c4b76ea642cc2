// Text helpers of the simulated Windows: names of keys, values, files,
// services, printers and sections compare without regard to ASCII case, as
// Windows compares them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

char FoldCase(char c);
std::string ToLower(std::string_view text);
bool IEquals(std::string_view a, std::string_view b);
bool IStartsWith(std::string_view text, std::string_view prefix);

// Strict weak order without regard to case, for maps keyed by such names.
struct ILess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

// "0x" and the value in hexadecimal, for access masks in the call log.
std::string Hex(std::uint32_t value);

// Splits on any of `separators`; empty pieces are dropped.
std::vector<std::string> SplitNonEmpty(std::string_view text, std::string_view separators);

}  // namespace sim
