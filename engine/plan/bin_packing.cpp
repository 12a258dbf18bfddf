#include "plan/bin_packing.h"

#include "plan/bin_elimination.h"

#include <algorithm>
#include <stdexcept>

namespace drovalin {
namespace {

// Beyond this many items the searches below would recurse too deep and rarely pay; first-fit decreasing
// stands.
constexpr std::size_t kSearchItemLimit = 10000;
// Steps of all completion searches together; of one filling of a bin, and of all fillings.
constexpr std::int64_t kCompletionSteps = 4'000'000;
constexpr std::int64_t kFillSteps = 20'000;
constexpr std::int64_t kFillTotalSteps = 2'000'000;

// The largest room among bins, as a tree over bins, so that the first bin with enough room is found by one
// descent.
class RoomTree {
  public:
    RoomTree(std::size_t bins, std::int64_t limit) {
        while (leaves_ < bins) leaves_ *= 2;
        room_.assign(2 * leaves_, limit);
    }
    std::size_t FirstWithRoom(std::int64_t size) const {
        std::size_t node = 1;
        while (node < leaves_) node = room_[2 * node] >= size ? 2 * node : 2 * node + 1;
        return node - leaves_;
    }
    void Take(std::size_t bin, std::int64_t size) {
        std::size_t node = bin + leaves_;
        room_[node] -= size;
        for (node /= 2; node >= 1; node /= 2) room_[node] = std::max(room_[2 * node], room_[2 * node + 1]);
    }

  private:
    std::size_t leaves_ = 1;
    std::vector<std::int64_t> room_;
};

// The items not yet in a bin, by index (largest first), with their count and size sums as trees, so that the
// first free item that fits a given room, the smallest free item and what is left from an index on are each
// found in O(log n), and items can be taken and given back in any order.
class FreeItems {
  public:
    explicit FreeItems(const std::vector<std::int64_t>& sizes)
        : sizes_(sizes), count_(sizes.size() + 1, 0), sum_(sizes.size() + 1, 0) {
        for (std::size_t i = 0; i < sizes.size(); ++i) Change(i, 1, sizes[i]);
        while (top_ * 2 <= sizes.size()) top_ *= 2;
    }
    std::int32_t End() const { return static_cast<std::int32_t>(sizes_.size()); }
    std::int32_t First() const { return FirstFrom(0); }
    // The free item with the smallest size, or End().
    std::int32_t Last() const { return free_ == 0 ? End() : Kth(free_); }
    // The first free item from index from on whose size is at most room, or End().
    std::int32_t FirstFitting(std::int32_t from, std::int64_t room) const {
        const auto fits =
            std::lower_bound(sizes_.begin(), sizes_.end(), room, std::greater<>()) - sizes_.begin();
        return FirstFrom(std::max<std::int64_t>(from, fits));
    }
    // The first index after the items of the same size as item.
    std::int32_t AfterEqual(std::int32_t item) const {
        const auto after = std::upper_bound(sizes_.begin(), sizes_.end(),
                                            sizes_[static_cast<std::size_t>(item)], std::greater<>());
        return static_cast<std::int32_t>(after - sizes_.begin());
    }
    // The sizes of the free items from index on.
    std::int64_t SumFrom(std::int32_t index) const {
        return total_ - Prefix(sum_, static_cast<std::size_t>(index));
    }
    void Take(std::int32_t item) {
        Change(static_cast<std::size_t>(item), -1, -sizes_[static_cast<std::size_t>(item)]);
    }
    void Give(std::int32_t item) {
        Change(static_cast<std::size_t>(item), 1, sizes_[static_cast<std::size_t>(item)]);
    }

  private:
    void Change(std::size_t index, std::int64_t count, std::int64_t size) {
        for (std::size_t i = index + 1; i < count_.size(); i += i & (~i + 1)) {
            count_[i] += count;
            sum_[i] += size;
        }
        free_ += count;
        total_ += size;
    }
    static std::int64_t Prefix(const std::vector<std::int64_t>& tree, std::size_t end) {
        std::int64_t sum = 0;
        for (std::size_t i = end; i > 0; i -= i & (~i + 1)) sum += tree[i];
        return sum;
    }
    // The index of the k-th free item (k from 1).
    std::int32_t Kth(std::int64_t k) const {
        std::size_t position = 0;
        for (std::size_t step = top_; step > 0; step /= 2) {
            if (position + step < count_.size() && count_[position + step] < k) {
                position += step;
                k -= count_[position];
            }
        }
        return static_cast<std::int32_t>(position);
    }
    std::int32_t FirstFrom(std::int64_t index) const {
        if (index >= End()) return End();
        const std::int64_t before = Prefix(count_, static_cast<std::size_t>(index));
        return before == free_ ? End() : Kth(before + 1);
    }

    const std::vector<std::int64_t>& sizes_;
    std::vector<std::int64_t> count_;
    std::vector<std::int64_t> sum_;
    std::size_t top_ = 1;
    std::int64_t free_ = 0;
    std::int64_t total_ = 0;
};

// Bin completion: the largest free item opens the next bin, and the bin is completed with each maximal
// set of free items that keeps the waste within what the bin count allows, fullest sets first; a dead end
// takes the next set. Equal sizes are interchangeable, so only one of them is tried in each place.
class CompletionSearch {
  public:
    // steps counts the work of every search that shares it; the search gives up once it passes stepLimit.
    CompletionSearch(const std::vector<std::int64_t>& sizes, std::int64_t limit, std::int64_t& steps,
                     std::int64_t stepLimit)
        : sizes_(sizes), limit_(limit), free_(sizes), steps_(steps), stepLimit_(stepLimit) {}

    // True, with the packing, when every item fits in at most bins bins. Runs once.
    bool Run(std::int64_t bins, Packing& packing) {
        const std::int64_t waste = bins * limit_ - free_.SumFrom(0);
        if (waste < 0) return false;
        if (!OpenBin(bins, waste)) return false;
        packing = bins_;
        return true;
    }

  private:
    std::int64_t Size(std::int32_t item) const { return sizes_[static_cast<std::size_t>(item)]; }

    bool OpenBin(std::int64_t binsLeft, std::int64_t wasteLeft) {
        const std::int32_t first = free_.First();
        if (first == free_.End()) return true;
        if (binsLeft == 0) return false;
        free_.Take(first);
        bins_.push_back({first});
        const bool done = Extend(first + 1, limit_ - Size(first), binsLeft, wasteLeft);
        if (!done) {
            bins_.pop_back();
            free_.Give(first);
        }
        return done;
    }

    // Adds free items from index from on to the open bin, which has room left; accepts the bin once nothing
    // more fits.
    bool Extend(std::int32_t from, std::int64_t room, std::int64_t binsLeft, std::int64_t wasteLeft) {
        for (;;) {
            if (++steps_ > stepLimit_) return false;
            const std::int32_t candidate = free_.FirstFitting(from, room);
            if (candidate == free_.End()) {
                // Maximal only when no free item fits any more, not even one passed over.
                const std::int32_t smallest = free_.Last();
                if (smallest != free_.End() && Size(smallest) <= room) return false;
                if (room > wasteLeft) return false;
                return OpenBin(binsLeft - 1, wasteLeft - room);
            }
            if (room - free_.SumFrom(candidate) > wasteLeft) return false;
            free_.Take(candidate);
            bins_.back().push_back(candidate);
            if (Extend(candidate + 1, room - Size(candidate), binsLeft, wasteLeft)) return true;
            bins_.back().pop_back();
            free_.Give(candidate);
            from = free_.AfterEqual(candidate);
        }
    }

    const std::vector<std::int64_t>& sizes_;
    std::int64_t limit_;
    FreeItems free_;
    Packing bins_;
    std::int64_t& steps_;
    std::int64_t stepLimit_;
};

// Minimum bin slack: the largest free item opens a bin, which is then filled with the fullest set of free
// items found within a step bound. Once the steps of all bins pass a total, each bin only gets its first,
// greedy, descent.
class SlackFilling {
  public:
    SlackFilling(const std::vector<std::int64_t>& sizes, std::int64_t limit)
        : sizes_(sizes), limit_(limit), free_(sizes) {}

    Packing Run() {
        Packing bins;
        std::int64_t used = 0;
        while (free_.First() != free_.End()) {
            const std::int32_t first = free_.First();
            free_.Take(first);
            best_.assign(1, first);
            chosen_.assign(1, first);
            bestRoom_ = limit_ - Size(first);
            steps_ = 0;
            stepLimit_ = used < kFillTotalSteps ? kFillSteps : 0;
            Fill(first + 1, bestRoom_);
            used += steps_;
            for (std::size_t i = 1; i < best_.size(); ++i) free_.Take(best_[i]);
            std::sort(best_.begin(), best_.end());
            bins.push_back(best_);
        }
        return bins;
    }

  private:
    std::int64_t Size(std::int32_t item) const { return sizes_[static_cast<std::size_t>(item)]; }

    // Items are not taken while they are tried: chosen_ holds them, and later candidates come after them.
    void Fill(std::int32_t from, std::int64_t room) {
        if (room < bestRoom_) {
            bestRoom_ = room;
            best_ = chosen_;
        }
        for (std::int32_t candidate = free_.FirstFitting(from, room);
             candidate != free_.End() && bestRoom_ > 0;
             candidate = free_.FirstFitting(free_.AfterEqual(candidate), room)) {
            chosen_.push_back(candidate);
            Fill(candidate + 1, room - Size(candidate));
            chosen_.pop_back();
            if (++steps_ > stepLimit_) break;
        }
    }

    const std::vector<std::int64_t>& sizes_;
    std::int64_t limit_;
    FreeItems free_;
    std::vector<std::int32_t> chosen_;
    std::vector<std::int32_t> best_;
    std::int64_t bestRoom_ = 0;
    std::int64_t steps_ = 0;
    std::int64_t stepLimit_ = 0;
};

}  // namespace

Packing FirstFitDecreasing(const std::vector<std::int64_t>& sizes, std::int64_t limit) {
    Packing bins;
    if (sizes.empty()) return bins;
    RoomTree rooms(sizes.size(), limit);
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        if (sizes[i] < 0 || sizes[i] > limit)
            throw std::invalid_argument("FirstFitDecreasing: size out of range");
        if (i > 0 && sizes[i] > sizes[i - 1])
            throw std::invalid_argument("FirstFitDecreasing: sizes not largest first");
        const std::size_t bin = rooms.FirstWithRoom(sizes[i]);
        rooms.Take(bin, sizes[i]);
        if (bin == bins.size()) bins.emplace_back();
        bins[bin].push_back(static_cast<std::int32_t>(i));
    }
    return bins;
}

std::int64_t BinLowerBound(const std::vector<std::int64_t>& sizes, std::int64_t limit) {
    if (sizes.empty()) return 0;
    std::int64_t sum = 0;
    for (const std::int64_t size : sizes) sum += size;
    if (limit <= 0) return 1;
    return std::max<std::int64_t>(1, (sum + limit - 1) / limit);
}

std::int64_t BinLowerBoundL2(const std::vector<std::int64_t>& sizes, std::int64_t limit) {
    const std::int64_t plain = BinLowerBound(sizes, limit);
    if (limit <= 0 || sizes.empty()) return plain;
    std::vector<std::int64_t> ascending(sizes.rbegin(), sizes.rend());
    std::sort(ascending.begin(), ascending.end());
    std::vector<std::int64_t> prefix(ascending.size() + 1, 0);
    for (std::size_t i = 0; i < ascending.size(); ++i) prefix[i + 1] = prefix[i] + ascending[i];
    const auto below = [&](std::int64_t size) {  // how many items are smaller than size
        return static_cast<std::size_t>(std::lower_bound(ascending.begin(), ascending.end(), size) -
                                        ascending.begin());
    };
    const std::size_t half = below(limit / 2 + 1);  // items up to half a bin come first
    std::int64_t best = std::max(plain, static_cast<std::int64_t>(ascending.size() - half));
    // For each threshold k: items above limit - k share a bin with nothing of size k or more; items above
    // half a bin each need a bin of their own, and the items from k to half a bin fill what those leave.
    for (std::size_t at = 0; at < half; ++at) {
        if (at > 0 && ascending[at] == ascending[at - 1]) continue;
        const std::int64_t k = ascending[at];
        const std::size_t alone = below(limit - k + 1);  // items from here on exceed limit - k
        const auto count = [](std::size_t from, std::size_t to) {
            return static_cast<std::int64_t>(to - from);
        };
        const std::int64_t sharing = count(half, alone);
        const std::int64_t roomBeside = sharing * limit - (prefix[alone] - prefix[half]);
        const std::int64_t small = prefix[half] - prefix[at];
        const std::int64_t extra = small > roomBeside ? (small - roomBeside + limit - 1) / limit : 0;
        best = std::max(best, count(alone, ascending.size()) + sharing + extra);
    }
    return best;
}

Packing ImprovePacking(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing start) {
    // 0 KB items fit anywhere but never make a bin fuller, which the searches below go by: plan without
    // them, then put them in the first bin.
    const auto sized = static_cast<std::int32_t>(std::find(sizes.begin(), sizes.end(), 0) - sizes.begin());
    if (sized < static_cast<std::int32_t>(sizes.size())) {
        Packing trimmed;
        for (auto& bin : start) {
            std::erase_if(bin, [sized](std::int32_t item) { return item >= sized; });
            if (!bin.empty()) trimmed.push_back(std::move(bin));
        }
        Packing improved = ImprovePacking(std::vector<std::int64_t>(sizes.begin(), sizes.begin() + sized),
                                          limit, std::move(trimmed));
        if (improved.empty()) improved.emplace_back();
        for (std::int32_t item = sized; item < static_cast<std::int32_t>(sizes.size()); ++item)
            improved.front().push_back(item);
        return improved;
    }

    const std::int64_t lower = BinLowerBoundL2(sizes, limit);
    if (static_cast<std::int64_t>(start.size()) <= lower || sizes.size() > kSearchItemLimit) return start;

    Packing best = std::move(start);
    // The lower bound first, with half the steps: when it can be reached, the little waste it allows keeps
    // the search short. Otherwise one bin fewer at a time, each success kept, until the steps run out.
    std::int64_t steps = 0;
    Packing found;
    if (CompletionSearch(sizes, limit, steps, kCompletionSteps / 2).Run(lower, found)) {
        best = std::move(found);
    } else {
        while (static_cast<std::int64_t>(best.size()) - 1 > lower &&
               CompletionSearch(sizes, limit, steps, kCompletionSteps)
                   .Run(static_cast<std::int64_t>(best.size()) - 1, found))
            best = std::move(found);
    }
    if (static_cast<std::int64_t>(best.size()) > lower) {
        Packing filled = SlackFilling(sizes, limit).Run();
        if (filled.size() < best.size()) best = std::move(filled);
    }
    best = EliminateBins(sizes, limit, std::move(best), lower);
    for (auto& bin : best) std::sort(bin.begin(), bin.end());
    return best;
}

}  // namespace drovalin
