#include "tables/byte_to_kilo.h"

namespace drovalin {

std::int64_t ByteToKilo(std::int64_t bytes) {
    // Floor division keeps the remainder in [0, 1024), so the rounding below holds for negative counts too.
    std::int64_t kilo = bytes / 1024;
    std::int64_t rest = bytes % 1024;
    if (rest < 0) {
        rest += 1024;
        --kilo;
    }
    if (rest > 512 || (rest == 512 && kilo % 2 != 0)) ++kilo;
    return kilo;
}

}  // namespace drovalin
