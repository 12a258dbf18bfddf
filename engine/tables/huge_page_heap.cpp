#include "tables/huge_page_heap.h"

#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace drovalin {

void RestartWithHugePageHeap(char** argv) {
    constexpr const char* kTunable = "glibc.malloc.hugetlb";
    const char* set = std::getenv("GLIBC_TUNABLES");
    const std::optional<std::string> before = set ? std::optional<std::string>(set) : std::nullopt;
    // Already set (by the restart, or by the user, whose choice stands).
    if (before && before->find(kTunable) != std::string::npos) return;
    // The heap also grows in large steps: huge pages only back ranges mapped whole, and each step costs a
    // call into the system.
    const std::string value = (before && !before->empty() ? *before + ":" : std::string()) + kTunable +
                              "=1:glibc.malloc.top_pad=67108864";
    if (setenv("GLIBC_TUNABLES", value.c_str(), 1) != 0) return;
    execv("/proc/self/exe", argv);
    // Not restarted: leave the environment as it was, so nothing started later inherits the change.
    if (before)
        setenv("GLIBC_TUNABLES", before->c_str(), 1);
    else
        unsetenv("GLIBC_TUNABLES");
}

}  // namespace drovalin
