#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

namespace drovalin {

// Items of equal size taken together as one kind, for sizes given largest first.
struct SizeKinds {
    explicit SizeKinds(const std::vector<std::int64_t>& sizes) {
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            if (kindSizes.empty() || kindSizes.back() != sizes[i]) {
                kindSizes.push_back(sizes[i]);
                items.emplace_back();
            }
            items.back().push_back(static_cast<std::int32_t>(i));
            kindOf.push_back(static_cast<std::int32_t>(kindSizes.size() - 1));
        }
    }
    // The kind of items of exactly size, or Count() when there is none.
    std::size_t Of(std::int64_t size) const {
        const auto at = std::lower_bound(kindSizes.begin(), kindSizes.end(), size, std::greater<>());
        return at != kindSizes.end() && *at == size ? static_cast<std::size_t>(at - kindSizes.begin())
                                                    : Count();
    }
    std::size_t Count() const { return kindSizes.size(); }

    std::vector<std::int64_t> kindSizes;           // largest first
    std::vector<std::vector<std::int32_t>> items;  // of each kind
    std::vector<std::int32_t> kindOf;              // of each item
};

}  // namespace drovalin
