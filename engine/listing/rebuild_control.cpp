#include "listing/rebuild_control.h"

#include <algorithm>
#include <thread>

namespace drovalin {

unsigned DefaultMeasureThreads() { return std::max(8u, 2 * DefaultSearchThreads()); }

unsigned DefaultSearchThreads() { return std::max(1u, std::thread::hardware_concurrency()); }

}  // namespace drovalin
