#pragma once

#include <cstdint>

namespace drovalin {

// Bytes to kilobytes (1024 bytes), rounded to the nearest whole number, an exact half to the even
// neighbour. 64-bit on both sides, so files of 2 GiB and more are measured exactly.
std::int64_t ByteToKilo(std::int64_t bytes);

}  // namespace drovalin
