#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

namespace drovalin {

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
    std::int64_t Count() const { return free_; }
    // The free item with the smallest size, or End().
    std::int32_t Last() const { return free_ == 0 ? End() : Kth(free_); }
    // The first free item from index from on whose size is at most room, or End().
    std::int32_t FirstFitting(std::int32_t from, std::int64_t room) const {
        const auto fits =
            std::lower_bound(sizes_.begin(), sizes_.end(), room, std::greater<>()) - sizes_.begin();
        return FirstFrom(std::max<std::int64_t>(from, fits));
    }
    // A free item drawn at random among those from index from on whose sizes lie between low and high, or
    // End() when there is none.
    template <typename Random>
    std::int32_t Draw(std::int32_t from, std::int64_t low, std::int64_t high, Random& random) const {
        if (low > high) return End();
        const auto begin = std::max<std::int64_t>(
            from, std::lower_bound(sizes_.begin(), sizes_.end(), high, std::greater<>()) - sizes_.begin());
        const auto end =
            std::upper_bound(sizes_.begin(), sizes_.end(), low, std::greater<>()) - sizes_.begin();
        if (begin >= end) return End();
        const std::int64_t before = Prefix(count_, static_cast<std::size_t>(begin));
        const std::int64_t within = Prefix(count_, static_cast<std::size_t>(end)) - before;
        if (within == 0) return End();
        return Kth(before + 1 + static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(within)));
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

}  // namespace drovalin
