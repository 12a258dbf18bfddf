#include "plan/packing.h"

#include <algorithm>
#include <stdexcept>

namespace drovalin {
namespace {

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

bool IsPacking(const Packing& packing, const std::vector<std::int64_t>& sizes, std::int64_t limit) {
    std::vector<bool> seen(sizes.size(), false);
    std::size_t items = 0;
    for (const auto& bin : packing) {
        std::int64_t fill = 0;
        for (const std::int32_t item : bin) {
            if (item < 0 || static_cast<std::size_t>(item) >= sizes.size() ||
                seen[static_cast<std::size_t>(item)])
                return false;
            seen[static_cast<std::size_t>(item)] = true;
            fill += sizes[static_cast<std::size_t>(item)];
            ++items;
        }
        if (fill > limit) return false;
    }
    return items == sizes.size();
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

std::int64_t BinLowerBoundDff(const std::vector<std::int64_t>& sizes, std::int64_t limit) {
    constexpr std::int64_t kLargestK = 20;
    std::int64_t best = BinLowerBound(sizes, limit);
    if (limit <= 0) return best;
    for (std::int64_t k = 1; k <= kLargestK; ++k) {
        // The counted total times k: limit per step of floor((k + 1) x / limit), k x for whole ones.
        __int128 total = 0;
        for (const std::int64_t size : sizes) {
            const __int128 scaled = static_cast<__int128>(k + 1) * size;
            if (scaled % limit == 0)
                total += static_cast<__int128>(k) * size;
            else
                total += (scaled / limit) * limit;
        }
        const __int128 per = static_cast<__int128>(k) * limit;
        best = std::max(best, static_cast<std::int64_t>((total + per - 1) / per));
    }
    return best;
}

bool ExactlyFillable(const std::vector<std::int64_t>& sizes, std::int64_t limit) {
    if (sizes.empty() || limit <= 0) return false;
    std::int64_t sum = 0;
    for (const std::int64_t size : sizes) {
        if (size > limit || 4 * size < limit) return false;
        sum += size;
    }
    return sum % limit == 0;
}

std::vector<std::int64_t> SizesOf(const std::vector<std::int64_t>& sizes,
                                  const std::vector<std::int32_t>& items) {
    std::vector<std::int64_t> part;
    part.reserve(items.size());
    for (const std::int32_t item : items) part.push_back(sizes[static_cast<std::size_t>(item)]);
    return part;
}

void AppendBins(Packing& to, const Packing& bins, const std::vector<std::int32_t>& items) {
    for (const auto& bin : bins) {
        to.emplace_back();
        for (const std::int32_t item : bin) to.back().push_back(items[static_cast<std::size_t>(item)]);
    }
}

}  // namespace drovalin
