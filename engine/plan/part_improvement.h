#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "plan/packing.h"
#include "plan/step_budget.h"

namespace drovalin {

// The searches recurse about once per item; larger folders are improved a part at a time: the items of
// the emptiest bins, up to this many, with fewer steps, since sorting and first-fit decreasing take their
// share of the time already.
inline constexpr std::size_t kSearchItems = 4000;
// Folders too large for the searches on the whole are improved a group of this many bins at a time.
inline constexpr std::size_t kGroupBins = 300;
// A group of roomy bins gets at most this many steps.
inline constexpr std::int64_t kRoomyGroupSteps = 8'000'000;

// The items of the emptiest bins, up to kSearchItems of them, packed again on their own.
Packing ImproveEmptiest(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing best,
                        StepBudget& whole);

// The bins of a folder too large for the searches on the whole, a group at a time: the pool search takes
// one bin off the group after another while its steps last. The bins go in a seeded random order, so that
// each group holds a sample of every kind of bin; where the room is in a few bins (after the balanced
// filling or the other searches), only groups of roomy bins and full ones are improved, with the steps of
// all groups shared among them (kRoomyGroupSteps at most each).
Packing ImproveInGroups(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing best,
                        bool roomyFirst, std::int64_t allSteps, std::int64_t groupSteps, StepBudget& budget);

}  // namespace drovalin
