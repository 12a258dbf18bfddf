#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace drovalin {

// Reads a capacity as the user types it (UTF-8): blanks around it, an optional sign, decimal digits
// (ASCII or full-width), an optional decimal fraction rounded to the nearest whole number with an exact
// half to the even neighbour. Anything else, and values outside the 32-bit signed range, give nothing.
std::optional<std::int32_t> ParseWholeNumber(std::string_view utf8);

}  // namespace drovalin
