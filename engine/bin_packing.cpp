#include "bin_packing.h"

#include "bin_elimination.h"

#include <algorithm>
#include <stdexcept>

namespace drovalin {
namespace {

// Beyond this many items the searches below would recurse too deep and rarely pay; first-fit decreasing
// stands.
constexpr std::size_t kSearchItemLimit = 10000;
// Steps of all completion searches together, and of one filling of a bin.
constexpr std::int64_t kCompletionSteps = 4'000'000;
constexpr std::int64_t kFillSteps = 20'000;

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

// Sums of the sizes of the items still free, by index, for the bound "what is left from here on".
class FreeSums {
  public:
    explicit FreeSums(const std::vector<std::int64_t>& sizes) : tree_(sizes.size() + 1, 0) {
        for (std::size_t i = 0; i < sizes.size(); ++i) Add(i, sizes[i]);
    }
    void Add(std::size_t index, std::int64_t delta) {
        for (std::size_t i = index + 1; i < tree_.size(); i += i & (~i + 1)) tree_[i] += delta;
        total_ += delta;
    }
    // Sum over indexes from index on.
    std::int64_t From(std::size_t index) const { return total_ - Before(index); }

  private:
    std::int64_t Before(std::size_t index) const {
        std::int64_t sum = 0;
        for (std::size_t i = index; i > 0; i -= i & (~i + 1)) sum += tree_[i];
        return sum;
    }
    std::vector<std::int64_t> tree_;
    std::int64_t total_ = 0;
};

// The items not yet in a bin, as a list in size order that can take an item out and put it back in O(1).
class FreeList {
  public:
    explicit FreeList(std::size_t count) : next_(count + 1), prev_(count + 1) {
        const auto head = static_cast<std::int32_t>(count);
        for (std::int32_t i = 0; i <= head; ++i) {
            next_[i] = i == head ? 0 : i + 1;
            prev_[i] = i == 0 ? head : i - 1;
        }
        if (count == 0) next_[head] = prev_[head] = head;
        head_ = head;
    }
    std::int32_t End() const { return head_; }
    std::int32_t First() const { return next_[head_]; }
    std::int32_t Last() const { return prev_[head_]; }
    std::int32_t Next(std::int32_t i) const { return next_[i]; }
    // Items must be put back in the reverse order of taking them out.
    void Remove(std::int32_t i) {
        next_[prev_[i]] = next_[i];
        prev_[next_[i]] = prev_[i];
    }
    void Restore(std::int32_t i) { next_[prev_[i]] = prev_[next_[i]] = i; }

  private:
    std::vector<std::int32_t> next_;
    std::vector<std::int32_t> prev_;
    std::int32_t head_;
};

// Bin completion: the largest free item opens the next bin, and the bin is completed with each maximal
// set of free items that keeps the waste within what the bin count allows, fullest sets first; a dead end
// takes the next set. Equal sizes are interchangeable, so only one of them is tried in each place.
class CompletionSearch {
  public:
    // steps counts the work of every search that shares it; the search gives up once it passes stepLimit.
    CompletionSearch(const std::vector<std::int64_t>& sizes, std::int64_t limit, std::int64_t& steps,
                     std::int64_t stepLimit)
        : sizes_(sizes),
          limit_(limit),
          free_(sizes.size()),
          sums_(sizes),
          steps_(steps),
          stepLimit_(stepLimit) {}

    // True, with the packing, when every item fits in at most bins bins. Runs once.
    bool Run(std::int64_t bins, Packing& packing) {
        const std::int64_t waste = bins * limit_ - sums_.From(0);
        if (waste < 0) return false;
        if (!OpenBin(bins, waste)) return false;
        packing = bins_;
        return true;
    }

  private:
    bool OpenBin(std::int64_t binsLeft, std::int64_t wasteLeft) {
        const std::int32_t first = free_.First();
        if (first == free_.End()) return true;
        if (binsLeft == 0) return false;
        Take(first);
        bins_.push_back({first});
        const std::int64_t room = limit_ - sizes_[first];
        const bool done = Extend(free_.First(), room, binsLeft, wasteLeft);
        if (!done) {
            bins_.pop_back();
            Give(first);
        }
        return done;
    }

    // Adds items from candidate on to the open bin, which has room left; accepts the bin once nothing more
    // fits.
    bool Extend(std::int32_t candidate, std::int64_t room, std::int64_t binsLeft, std::int64_t wasteLeft) {
        for (;;) {
            if (++steps_ > stepLimit_) return false;
            while (candidate != free_.End() && sizes_[candidate] > room) candidate = free_.Next(candidate);
            if (candidate == free_.End()) {
                // Maximal only when no free item fits any more, not even one passed over.
                const std::int32_t smallest = free_.Last();
                if (smallest != free_.End() && sizes_[smallest] <= room) return false;
                if (room > wasteLeft) return false;
                return OpenBin(binsLeft - 1, wasteLeft - room);
            }
            if (room - sums_.From(static_cast<std::size_t>(candidate)) > wasteLeft) return false;
            const std::int32_t after = free_.Next(candidate);
            Take(candidate);
            bins_.back().push_back(candidate);
            if (Extend(after, room - sizes_[candidate], binsLeft, wasteLeft)) return true;
            bins_.back().pop_back();
            Give(candidate);
            const std::int64_t size = sizes_[candidate];
            while (candidate != free_.End() && sizes_[candidate] == size) candidate = free_.Next(candidate);
        }
    }

    void Take(std::int32_t item) {
        free_.Remove(item);
        sums_.Add(static_cast<std::size_t>(item), -sizes_[item]);
    }
    void Give(std::int32_t item) {
        free_.Restore(item);
        sums_.Add(static_cast<std::size_t>(item), sizes_[item]);
    }

    const std::vector<std::int64_t>& sizes_;
    std::int64_t limit_;
    FreeList free_;
    FreeSums sums_;
    Packing bins_;
    std::int64_t& steps_;
    std::int64_t stepLimit_;
};

// Minimum bin slack: the largest free item opens a bin, which is then filled with the fullest set of free
// items found within a step bound.
class SlackFilling {
  public:
    SlackFilling(const std::vector<std::int64_t>& sizes, std::int64_t limit)
        : sizes_(sizes), limit_(limit), free_(sizes.size()) {}

    Packing Run() {
        Packing bins;
        while (free_.First() != free_.End()) {
            const std::int32_t first = free_.First();
            free_.Remove(first);
            best_.assign(1, first);
            chosen_.assign(1, first);
            bestRoom_ = limit_ - sizes_[first];
            steps_ = 0;
            Fill(free_.First(), bestRoom_);
            // Taken out in list order, so the list is still whole when they go.
            for (std::size_t i = 1; i < best_.size(); ++i) free_.Remove(best_[i]);
            std::sort(best_.begin(), best_.end());
            bins.push_back(best_);
        }
        return bins;
    }

  private:
    void Fill(std::int32_t candidate, std::int64_t room) {
        if (room < bestRoom_) {
            bestRoom_ = room;
            best_ = chosen_;
        }
        for (; candidate != free_.End() && bestRoom_ > 0 && ++steps_ <= kFillSteps;
             candidate = free_.Next(candidate)) {
            if (sizes_[candidate] > room) continue;
            chosen_.push_back(candidate);
            Fill(free_.Next(candidate), room - sizes_[candidate]);
            chosen_.pop_back();
        }
    }

    const std::vector<std::int64_t>& sizes_;
    std::int64_t limit_;
    FreeList free_;
    std::vector<std::int32_t> chosen_;
    std::vector<std::int32_t> best_;
    std::int64_t bestRoom_ = 0;
    std::int64_t steps_ = 0;
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
