#include "search/best_combination.h"

#include <algorithm>
#include <bit>
#include <memory>
#include <numeric>

#include "search/combination_search.h"
#include "tables/byte_to_kilo.h"
#include "tables/combination_table.h"

namespace drovalin {
namespace {

// Totals up to this many units are searched as a bitset of reachable sums (4 MB of bits, and 64 or
// 128 MB to retrace the chosen files); larger capacities go to the branch and bound alone.
constexpr std::int64_t kBitsetLimit = std::int64_t{1} << 25;
// Bounds on the work of each search, in 64-bit words shifted and in branches taken.
constexpr std::int64_t kWordBudget = 300'000'000;
constexpr std::int64_t kBranchBudget = 10'000'000;

// Files of one size: their rows in table order, and how many of them could fit at all.
struct SizeGroup {
    std::int64_t size;  // in the units of SizeUnit
    std::vector<int> rows;
    std::int64_t usable;
};

// Several files of one size taken together, so that k equal files cost about log k items of the search.
struct Bundle {
    std::size_t group;
    std::int64_t count;
    std::int64_t size;
};

// Which reachable sum is the largest up to limit, and which bundles make it. A sum first reached while
// bundle k was added remembers k; following those marks down from the best sum retraces one way to make it.
// Smallest first, the reachable range grows slowly and early bundles cost little.
// Returns false when the word budget ran out; the answer is then the best among the bundles already added.
template <class Index>
bool ReachableSums(const std::vector<Bundle>& bundles, std::int64_t limit, std::vector<std::int64_t>& taken,
                   std::int64_t& total, const std::stop_token& stop) {
    const auto words = static_cast<std::size_t>(limit / 64 + 1);
    std::vector<std::uint64_t> reach(words, 0);
    const auto from = std::make_unique_for_overwrite<Index[]>(static_cast<std::size_t>(limit) + 1);
    reach[0] = 1;
    std::int64_t bound = 0;  // no sum above this is reachable yet
    std::int64_t work = 0;
    bool complete = true;
    for (std::size_t k = 0; k < bundles.size(); ++k) {
        if ((reach[static_cast<std::size_t>(limit / 64)] >> (limit % 64)) & 1) break;
        const std::int64_t size = bundles[k].size;
        const std::int64_t high = std::min(limit, bound + size);
        const std::int64_t shiftWords = size / 64;
        const int shiftBits = static_cast<int>(size % 64);
        const std::int64_t highWord = high / 64;
        work += highWord - shiftWords + 1;
        if (work > kWordBudget || stop.stop_requested()) {
            complete = false;
            break;
        }
        const std::uint64_t highMask =
            high % 64 == 63 ? ~std::uint64_t{0} : (std::uint64_t{1} << (high % 64 + 1)) - 1;
        // From the top down, so every word read still holds the sums reached before this bundle.
        for (std::int64_t w = highWord; w >= shiftWords; --w) {
            const std::int64_t source = w - shiftWords;
            std::uint64_t moved = reach[static_cast<std::size_t>(source)] << shiftBits;
            if (shiftBits != 0 && source > 0)
                moved |= reach[static_cast<std::size_t>(source - 1)] >> (64 - shiftBits);
            if (w == highWord) moved &= highMask;
            std::uint64_t added = moved & ~reach[static_cast<std::size_t>(w)];
            if (added == 0) continue;
            reach[static_cast<std::size_t>(w)] |= added;
            for (; added != 0; added &= added - 1)
                from[static_cast<std::size_t>(w * 64 + std::countr_zero(added))] = static_cast<Index>(k);
        }
        bound = high;
    }
    total = 0;
    for (std::int64_t w = static_cast<std::int64_t>(words) - 1; w >= 0; --w) {
        if (reach[static_cast<std::size_t>(w)] != 0) {
            total = w * 64 + 63 - std::countl_zero(reach[static_cast<std::size_t>(w)]);
            break;
        }
    }
    taken.assign(bundles.size(), 0);
    for (std::int64_t sum = total; sum > 0;) {
        const std::size_t k = from[static_cast<std::size_t>(sum)];
        taken[k] = 1;
        sum -= bundles[k].size;
    }
    return complete;
}

// Depth-first over the groups, largest size first, trying the most files of each group first; a branch
// ends when even all that is left could not beat the best total. Starts from floor, a total already known
// to be reachable; counts is only filled when a better total is found. Returns false when the branch
// budget ran out.
bool BranchAndBound(const std::vector<SizeGroup>& groups, std::int64_t limit, std::int64_t floor,
                    std::int64_t& best, std::vector<std::int64_t>& counts, const std::stop_token& stop) {
    const std::size_t m = groups.size();
    std::vector<std::int64_t> rest(m + 1, 0);  // rest[i]: the sizes of groups i.. with all usable files
    for (std::size_t i = m; i-- > 0;) rest[i] = rest[i + 1] + groups[i].size * groups[i].usable;
    std::vector<std::int64_t> chosen(m, 0);
    best = floor;
    std::int64_t branches = 0;
    std::size_t depth = 0;
    std::int64_t sum = 0;
    for (;;) {
        bool descend = false;
        if (sum > best) {
            best = sum;
            counts.assign(chosen.begin(), chosen.begin() + static_cast<std::ptrdiff_t>(depth));
            counts.resize(m, 0);
        }
        if (best == limit) return true;
        if (depth < m && sum + rest[depth] > best) {
            if (sum + rest[depth] <= limit) {
                best = sum + rest[depth];
                counts.assign(chosen.begin(), chosen.begin() + static_cast<std::ptrdiff_t>(depth));
                for (std::size_t i = depth; i < m; ++i) counts.push_back(groups[i].usable);
            } else {
                const SizeGroup& group = groups[depth];
                chosen[depth] = std::min(group.usable, (limit - sum) / group.size);
                sum += chosen[depth] * group.size;
                ++depth;
                descend = true;
            }
        }
        if (descend) {
            if (++branches > kBranchBudget || (branches % 4096 == 0 && stop.stop_requested())) return false;
            continue;
        }
        // Back up to the deepest group that can give up one more file.
        for (;;) {
            if (depth == 0) return true;
            --depth;
            if (chosen[depth] > 0) {
                --chosen[depth];
                sum -= groups[depth].size;
                ++depth;
                break;
            }
        }
        if (++branches > kBranchBudget || (branches % 4096 == 0 && stop.stop_requested())) return false;
    }
}

// The table's own best row: the fullest of the greedy walks.
std::vector<int> BestTableRow(const FileTable& files, std::int32_t capacity, const std::stop_token& stop) {
    const std::shared_ptr<const FileTable> borrowed(&files, [](const FileTable*) {});
    CombinationTable table(borrowed);
    RebuildControl control;
    control.stop = stop;
    SearchCombinations(files, capacity, table, control);
    return table.Rows() > 1 ? table.FileRows(1) : std::vector<int>{};
}

// How sizes are counted in the searches. Bytes over their common divisor are exact; when that gives too many
// units for the bitset and the sizes are not whole kilobytes, each size is rounded up to whole kilobytes
// (over their common divisor), so a set that fits in those units fits in bytes too, though a set that would
// fit by a few bytes may be missed.
struct SizeUnit {
    std::int64_t divisor = 1;
    bool rounded = false;
    std::int64_t Of(std::int64_t bytes) const { return (rounded ? (bytes + 1023) / 1024 : bytes) / divisor; }
};

SizeUnit ChooseUnit(const std::vector<std::pair<std::int64_t, int>>& sized, std::int64_t limit) {
    SizeUnit unit;
    std::int64_t exact = 0;
    for (const auto& item : sized) exact = std::gcd(exact, item.first);
    unit.divisor = std::max<std::int64_t>(exact, 1);
    if (limit / unit.divisor <= kBitsetLimit || unit.divisor % 1024 == 0) return unit;
    unit.rounded = true;
    std::int64_t kilo = 0;
    for (const auto& item : sized) kilo = std::gcd(kilo, (item.first + 1023) / 1024);
    unit.divisor = std::max<std::int64_t>(kilo, 1);
    return unit;
}

}  // namespace

BestCombinationResult BestCombination(const FileTable& files, std::int32_t capacity,
                                      const std::vector<bool>& leftOut, const std::stop_token& stop) {
    BestCombinationResult result;
    if (capacity <= 0) return result;
    const std::int64_t limitBytes = std::int64_t{capacity} * 1024 - 1;
    const auto isLeftOut = [&leftOut](int row) {
        return static_cast<std::size_t>(row) < leftOut.size() && leftOut[static_cast<std::size_t>(row)];
    };

    std::vector<std::pair<std::int64_t, int>> sized;  // (bytes, row) of every file that fits on its own
    std::int64_t sum = 0;
    for (int row = 1; row < files.Rows(); ++row) {
        const std::int64_t bytes = files.Bytes(row);
        if (bytes > limitBytes || isLeftOut(row)) continue;
        if (bytes == 0) {
            result.rows.push_back(row);
            continue;
        }
        sized.emplace_back(bytes, row);
        sum += bytes;
    }
    const auto finish = [&] {
        std::sort(result.rows.begin(), result.rows.end());
        result.bytes = 0;
        for (const int row : result.rows) result.bytes += files.Bytes(row);
        result.total = ByteToKilo(result.bytes);
        return result;
    };
    if (sum <= limitBytes) {
        for (const auto& [bytes, row] : sized) result.rows.push_back(row);
        return finish();
    }

    std::sort(sized.begin(), sized.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    const SizeUnit unit = ChooseUnit(sized, limitBytes);
    const std::int64_t units = unit.rounded ? limitBytes / 1024 / unit.divisor : limitBytes / unit.divisor;
    std::vector<SizeGroup> groups;
    for (const auto& [bytes, row] : sized) {
        if (groups.empty() || groups.back().size != unit.Of(bytes)) groups.push_back({unit.Of(bytes), {}, 0});
        groups.back().rows.push_back(row);
    }
    // Sizes rounded up no longer order a group's rows as the table does.
    for (SizeGroup& group : groups) {
        std::sort(group.rows.begin(), group.rows.end());
        group.usable =
            std::min<std::int64_t>(static_cast<std::int64_t>(group.rows.size()), units / group.size);
    }

    std::vector<std::int64_t> counts(groups.size(), 0);
    std::int64_t best = 0;
    bool exact = false;
    if (units <= kBitsetLimit) {
        std::vector<Bundle> bundles;
        for (std::size_t g = 0; g < groups.size(); ++g) {
            std::int64_t left = groups[g].usable;
            for (std::int64_t part = 1; left > 0; part *= 2) {
                const std::int64_t count = std::min(part, left);
                bundles.push_back({g, count, count * groups[g].size});
                left -= count;
            }
        }
        // Sizes rounded up lose up to a kilobyte per file, so there the largest come first: sums are then
        // first reached, and retraced, through few files.
        std::stable_sort(bundles.begin(), bundles.end(), [&unit](const Bundle& a, const Bundle& b) {
            return unit.rounded ? a.size > b.size : a.size < b.size;
        });
        std::vector<std::int64_t> taken;
        exact = bundles.size() < 0xFFFF ? ReachableSums<std::uint16_t>(bundles, units, taken, best, stop)
                                        : ReachableSums<std::uint32_t>(bundles, units, taken, best, stop);
        for (std::size_t k = 0; k < bundles.size(); ++k)
            if (taken[k] != 0) counts[bundles[k].group] += bundles[k].count;
    }

    std::vector<int> chosenRows;
    if (stop.stop_requested()) return {};
    if (!exact) {
        // The table's best row starts the branch and bound when it fits in these units.
        std::vector<int> seedRows;
        std::int64_t seedUnits = 0;
        for (const int row : BestTableRow(files, capacity, stop)) {
            if (isLeftOut(row)) {
                seedRows.clear();
                seedUnits = 0;
                break;
            }
            if (files.Bytes(row) == 0) continue;  // already in the result
            seedRows.push_back(row);
            seedUnits += unit.Of(files.Bytes(row));
        }
        if (seedUnits > units) seedUnits = 0;
        std::int64_t found = 0;
        std::vector<std::int64_t> foundCounts;
        const std::int64_t floor = std::max(best, seedUnits);
        exact = BranchAndBound(groups, units, floor, found, foundCounts, stop);
        if (found > floor) {
            counts = std::move(foundCounts);
        } else if (seedUnits > best) {
            chosenRows = std::move(seedRows);
            counts.clear();
        }
    }
    if (stop.stop_requested()) return {};
    for (std::size_t g = 0; g < counts.size(); ++g)
        for (std::int64_t i = 0; i < counts[g]; ++i)
            chosenRows.push_back(groups[g].rows[static_cast<std::size_t>(i)]);
    result.rows.insert(result.rows.end(), chosenRows.begin(), chosenRows.end());
    if (unit.rounded) {
        // What rounding up took away, in bytes, may still hold files that were left out.
        std::vector<bool> chosen(static_cast<std::size_t>(files.Rows()), false);
        std::int64_t bytes = 0;
        for (const int row : chosenRows) {
            chosen[static_cast<std::size_t>(row)] = true;
            bytes += files.Bytes(row);
        }
        for (const auto& [size, row] : sized) {
            if (chosen[static_cast<std::size_t>(row)] || bytes + size > limitBytes) continue;
            result.rows.push_back(row);
            bytes += size;
        }
    }
    result.exact = exact && !unit.rounded;
    return finish();
}

}  // namespace drovalin
