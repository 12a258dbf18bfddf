#include "search/combination_search.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <vector>

#include "listing/progress_throttle.h"
#include "tables/worker_threads.h"

namespace drovalin {
namespace {

using Run = CombinationTable::Run;

// The first index in [lo, hi) where pred holds, or hi; pred must be false then true along the range.
// Probes gallop from lo before halving, so an answer near lo costs only a few probes.
template <class Pred>
std::int32_t FirstTrue(std::int32_t lo, std::int32_t hi, Pred pred) {
    std::int64_t step = 1;
    while (lo < hi) {
        const auto probe = static_cast<std::int32_t>(lo + std::min<std::int64_t>(step, hi - lo) - 1);
        if (pred(probe)) {
            hi = probe;
            break;
        }
        lo = probe + 1;
        step *= 2;
    }
    while (lo < hi) {
        const std::int32_t mid = lo + (hi - lo) / 2;
        if (pred(mid))
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

// Prefix sums over the file table's sizes, largest first, and every kStride-th of them apart: searches
// halve over the small sample arrays, which stay in the processor's cache, and touch the full arrays only
// near their answer. Sizes are clamped to the capacity: a file that large is never taken, and the clamp
// keeps every sum below 2^62.
class SizeIndex {
  public:
    SizeIndex(const FileTable& files, std::int32_t capacity) : prefix_(files.Rows()) {
        std::int64_t previous = capacity;
        for (int row = 1; row < files.Rows(); ++row) {
            const std::int64_t size = std::min<std::int64_t>(files.Kilobytes(row), capacity);
            if (size < 0 || size > previous)
                throw std::invalid_argument("SearchCombinations: file table not sorted largest first");
            prefix_[row] = prefix_[row - 1] + size;
            previous = size;
        }
        for (std::size_t row = kStride; row < prefix_.size(); row += kStride) {
            samplePrefix_.push_back(prefix_[row]);
            sampleSize_.push_back(prefix_[row] - prefix_[row - 1]);
        }
    }

    std::int32_t LastRow() const { return static_cast<std::int32_t>(prefix_.size()) - 1; }
    std::int64_t Size(std::int32_t row) const { return prefix_[row] - prefix_[row - 1]; }
    // Sum of the sizes of rows [first, last).
    std::int64_t Sum(std::int32_t first, std::int32_t last) const {
        return prefix_[last - 1] - prefix_[first - 1];
    }

    // The first row from `from` on whose file is at most `fits`, or LastRow() + 1.
    std::int32_t FirstAtMost(std::int32_t from, std::int64_t fits) const {
        return Find(
            from, [&](std::int32_t row) { return Size(row) <= fits; },
            [&](std::size_t sample) { return sampleSize_[sample] <= fits; });
    }

    // The first row from `from` on (from > first) whose file would bring the sum of the rows from `first`
    // above `fits`, or LastRow() + 1.
    std::int32_t FirstBeyond(std::int32_t first, std::int32_t from, std::int64_t fits) const {
        const std::int64_t limit = prefix_[first - 1] + fits;
        return Find(
            from, [&](std::int32_t row) { return prefix_[row] > limit; },
            [&](std::size_t sample) { return samplePrefix_[sample] > limit; });
    }

  private:
    static constexpr std::int32_t kStride = 32;

    // The first row in [lo, LastRow() + 1) where pred holds, or LastRow() + 1; pred must be false then
    // true along the rows, and atSample(k) must equal pred at row (k + 1) * kStride.
    template <class Pred, class SamplePred>
    std::int32_t Find(std::int32_t lo, Pred pred, SamplePred atSample) const {
        const std::int32_t end = LastRow() + 1;
        // An answer close to lo lies in the rows already in cache.
        const std::int32_t near =
            static_cast<std::int32_t>(std::min<std::int64_t>(end, std::int64_t{lo} + 2 * kStride));
        const std::int32_t nearAnswer = FirstTrue(lo, near, pred);
        if (nearAnswer < near || near == end) return nearAnswer;
        lo = near;
        // Samples at or after lo; the answer is the row of the first sample where pred holds, or a row of the
        // stride before it, or after the last sample.
        std::size_t low = (static_cast<std::size_t>(lo) + kStride - 1) / kStride - 1;
        std::size_t high = sampleSize_.size();
        while (low < high) {
            const std::size_t mid = low + (high - low) / 2;
            if (atSample(mid))
                high = mid;
            else
                low = mid + 1;
        }
        const auto from = std::max<std::int64_t>(lo, std::int64_t(low) * kStride + 1);
        const auto to = std::min<std::int64_t>(end, std::int64_t(low + 1) * kStride + 1);
        std::int32_t first = static_cast<std::int32_t>(from);
        std::int32_t last = static_cast<std::int32_t>(to);
        if (low == sampleSize_.size()) last = end;
        while (first < last) {
            const std::int32_t mid = first + (last - first) / 2;
            if (pred(mid))
                last = mid;
            else
                first = mid + 1;
        }
        return first;
    }

    std::vector<std::int64_t> prefix_;        // prefix_[r]: sum of data rows 1 .. r
    std::vector<std::int64_t> samplePrefix_;  // samplePrefix_[k] = prefix_[(k + 1) * kStride]
    std::vector<std::int64_t> sampleSize_;    // sampleSize_[k] = Size((k + 1) * kStride)
};

// The greedy walk down from the combination's last row: takes every later file that keeps the total
// strictly below the capacity. Files are taken in runs of consecutive rows; between runs the room left
// at least halves, so a walk is a few searches rather than a pass over the rest of the table.
void FillCombination(const SizeIndex& sizes, std::int32_t capacity, std::int64_t& total,
                     std::vector<Run>& runs) {
    const std::int32_t end = sizes.LastRow() + 1;
    std::int64_t fits = capacity - 1 - total;  // the largest size that can still be taken
    std::int32_t next = runs.back().last;
    while (next < end) {
        const std::int32_t first = sizes.FirstAtMost(next, fits);
        if (first == end) break;
        const std::int32_t last = sizes.FirstBeyond(first, first, fits);
        const std::int64_t taken = sizes.Sum(first, last);
        total += taken;
        fits -= taken;
        if (runs.back().last == first)
            runs.back().last = last;
        else
            runs.push_back({first, last});
        next = last;
    }
}

// The end of the run of consecutive rows that a walk from start takes first: the first row whose file would
// bring the total from start to the capacity. It never lies before the previous start's, so the search
// begins there and usually stops after a probe or two.
std::int32_t FirstRunEnd(const SizeIndex& sizes, std::int32_t capacity, std::int32_t start,
                         std::int32_t previousEnd) {
    return sizes.FirstBeyond(start, std::max(start + 1, previousEnd), capacity - 1);
}

}  // namespace

void SearchCombinations(const FileTable& files, std::int32_t capacity, CombinationTable& combinations) {
    SearchCombinations(files, capacity, combinations, RebuildControl{});
}

void SearchCombinations(const FileTable& files, std::int32_t capacity, CombinationTable& combinations,
                        const RebuildControl& control) {
    if (&combinations.Files() != &files)
        throw std::invalid_argument("SearchCombinations: the combination table reads another file table");
    combinations.SetCapacity(capacity);
    if (capacity <= 0) return;
    const SizeIndex sizes(files, capacity);
    // Largest first, so the files smaller than the capacity, each the start of one walk, come last.
    const std::int32_t end = sizes.LastRow() + 1;
    const std::int32_t firstStart =
        FirstTrue(1, end, [&](std::int32_t row) { return sizes.Size(row) < capacity; });
    const std::int64_t starts = end - firstStart;

    // Walks are independent: threads take pieces of consecutive start rows, each piece gathering its rows
    // apart, and the pieces are appended in start order.
    const unsigned threads =
        std::max(1u, control.searchThreads ? control.searchThreads : DefaultSearchThreads());
    const std::int64_t pieceRows =
        std::clamp<std::int64_t>(starts / (16 * std::int64_t{threads}), 256, 65536);
    const std::int64_t pieces = (starts + pieceRows - 1) / pieceRows;
    std::vector<CombinationTable::Batch> batches(static_cast<std::size_t>(pieces));
    std::atomic<std::int64_t> next{0};
    std::atomic<std::int64_t> searched{0};
    ProgressThrottle throttle(control);
    throttle.Force(RebuildPhase::kSearching, 0, starts);
    const auto work = [&] {
        std::vector<Run> runs;
        std::int32_t firstRunEnd = 0;
        for (std::int64_t piece = next++; piece < pieces; piece = next++) {
            const auto first = static_cast<std::int32_t>(firstStart + piece * pieceRows);
            const auto last = static_cast<std::int32_t>(std::min<std::int64_t>(first + pieceRows, end));
            CombinationTable::Batch& batch = batches[static_cast<std::size_t>(piece)];
            for (std::int32_t start = first; start < last; ++start) {
                if ((start - first) % 256 == 0 && control.stop.stop_requested()) return;
                firstRunEnd = FirstRunEnd(sizes, capacity, start, firstRunEnd);
                std::int64_t total = sizes.Sum(start, firstRunEnd);
                runs.assign(1, Run{start, firstRunEnd});
                FillCombination(sizes, capacity, total, runs);
                batch.Append(total, runs);
            }
            throttle.Offer(RebuildPhase::kSearching, searched += last - first, starts);
        }
    };
    RunOnThreads(static_cast<unsigned>(std::min<std::int64_t>(threads, pieces)), work);
    if (control.stop.stop_requested()) return;

    std::size_t rows = 0;
    std::size_t runCount = 0;
    for (const CombinationTable::Batch& batch : batches) {
        rows += batch.Combinations();
        runCount += batch.Runs();
    }
    combinations.Reserve(rows, runCount);
    for (CombinationTable::Batch& batch : batches) combinations.Append(std::move(batch));
    combinations.SortByTotalDescending();
    throttle.Force(RebuildPhase::kSearching, starts, starts);
}

}  // namespace drovalin
