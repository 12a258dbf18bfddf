#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace drovalin {

// Orders the items largest key first; items of one key keep their order. Keys are never negative. A radix
// sort of 11 bits a pass: a few passes over the items, however many, instead of a comparison sort.
template <class T, class Key>
void StableSortByKeyDescending(std::vector<T>& items, Key key) {
    constexpr int kDigitBits = 11;
    constexpr std::uint64_t kDigitMask = (std::uint64_t{1} << kDigitBits) - 1;
    std::int64_t largest = 0;
    for (const T& item : items) largest = std::max<std::int64_t>(largest, key(item));
    std::vector<T> other(items.size());
    for (int shift = 0; shift < 64 && (static_cast<std::uint64_t>(largest) >> shift) != 0;
         shift += kDigitBits) {
        // Counted down from the largest key, so ascending digits put the largest first.
        const auto digit = [&](const T& item) {
            return static_cast<std::size_t>((static_cast<std::uint64_t>(largest - key(item)) >> shift) &
                                            kDigitMask);
        };
        std::array<std::size_t, kDigitMask + 2> start{};
        for (const T& item : items) ++start[digit(item) + 1];
        for (std::size_t d = 1; d < start.size(); ++d) start[d] += start[d - 1];
        for (T& item : items) other[start[digit(item)]++] = std::move(item);
        items.swap(other);
    }
}

}  // namespace drovalin
