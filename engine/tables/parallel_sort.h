#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <vector>

#include "tables/worker_threads.h"

namespace drovalin {

// A sort on several threads: the range is cut into one piece per thread, the pieces are sorted at once,
// then merged pairwise, the merges of each round again at once. With stable, equal elements keep their
// order; without, the pieces are sorted in place, which needs no buffer, for orders where no two elements
// are equal.
template <class Iterator, class Less>
void ParallelSort(Iterator first, Iterator last, Less less, unsigned threads, bool stable) {
    const auto sortPiece = [&](Iterator from, Iterator to) {
        if (stable)
            std::stable_sort(from, to, less);
        else
            std::sort(from, to, less);
    };
    const auto count = static_cast<std::size_t>(last - first);
    constexpr std::size_t kSmallest = 1 << 15;  // below this, starting threads costs more than it saves
    std::size_t pieces = std::max<std::size_t>(1, std::min<std::size_t>(threads, count / kSmallest));
    if (pieces == 1) {
        sortPiece(first, last);
        return;
    }
    std::vector<std::size_t> bounds(pieces + 1);
    for (std::size_t i = 0; i <= pieces; ++i) bounds[i] = count * i / pieces;

    std::atomic<std::size_t> next{0};
    RunOnThreads(static_cast<unsigned>(pieces), [&] {
        for (std::size_t i = next++; i < pieces; i = next++)
            sortPiece(first + bounds[i], first + bounds[i + 1]);
    });
    for (std::size_t width = 1; width < pieces; width *= 2) {
        const std::size_t merges = (pieces + 2 * width - 1) / (2 * width);
        std::atomic<std::size_t> merge{0};
        RunOnThreads(static_cast<unsigned>(merges), [&] {
            for (std::size_t m = merge++; m < merges; m = merge++) {
                const std::size_t lo = 2 * width * m;
                const std::size_t mid = std::min(lo + width, pieces);
                const std::size_t hi = std::min(lo + 2 * width, pieces);
                if (mid < hi)
                    std::inplace_merge(first + bounds[lo], first + bounds[mid], first + bounds[hi], less);
            }
        });
    }
}

}  // namespace drovalin
