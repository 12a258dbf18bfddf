#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "plan/packing.h"
#include "plan/size_kinds.h"
#include "plan/step_budget.h"

namespace drovalin {

// Packs items that must fill every bin exactly, each at least a quarter of the limit, as an exact cover:
// the sets of one to three sizes (or four of exactly a quarter) that fill a bin are listed first, then a
// depth-first search takes, for the size with the fewest sets left (over all sizes, each needing as many sets
// as it has free items), each of its sets in turn, and backs up as soon as a size with free items has none
// left. Equal sizes are one element: a size's sets are taken in increasing order along a path, so the same
// bins are not tried in another order. Each round has a node limit, growing from round to round. Even rounds
// try first the sets whose partners have the fewest sets of their own (taking them removes the fewest sets
// from the others); odd rounds try first the sets most likely to be in a cover by belief propagation over all
// sets, with more noise from round to round, and where most sizes are single they branch on the size whose
// likeliest set is surest rather than on the one with the fewest sets, which finds covers where each size has
// a few sets. Rounds after the first break ties by a seeded random order, the same on every run. A round that
// ends without reaching its node limit proves that no exact cover exists.
class ExactCoverSearch {
  public:
    // sizes largest first.
    ExactCoverSearch(const std::vector<std::int64_t>& sizes, std::int64_t limit, StepBudget& budget);

    // True, with the packing, when one was found; false when there is none, there were too many sets to
    // list, or the budget ran out. Runs once.
    bool Run(Packing& packing);
    // After Run failed: true when the search ended, so that no exact filling exists.
    bool Proven() const { return proven_; }

  private:
    static constexpr std::int32_t kNone = -1;

    // The most items in a bin: four of exactly a quarter, else three.
    static constexpr std::size_t kMostItems = 4;
    // The kinds of a set, largest first, kNone where it holds fewer items.
    using Set = std::array<std::int32_t, kMostItems>;

    bool ListSets();
    void AddSet(const Set& set);
    void Take(std::int32_t kind);
    void Give(std::int32_t kind);
    void Kill(std::int32_t set);
    void Revive(std::int32_t set);
    std::int32_t Branching();
    std::int32_t MostDecided();
    bool Place();
    // Of the sets for kind, those of lower rank are tried first.
    std::int64_t Rank(std::int32_t kind, std::int32_t set);
    bool Round(int round);
    void Beliefs(std::int64_t passes);
    Packing Assign() const;

    std::int64_t limit_;
    StepBudget& budget_;
    SizeKinds kinds_;
    std::vector<std::int64_t> free_;  // per kind, its items not yet in a bin
    std::vector<Set> sets_;
    // Per kind and count c from 1 to kMostItems: the sets holding c items of the kind, which die once fewer
    // than c are free.
    std::vector<std::array<std::vector<std::int32_t>, kMostItems>> holding_;
    std::vector<std::int32_t> dead_;    // per set, how many of its kinds lack free items
    std::vector<double> belief_;        // per set, once the first round failed; empty when not worth it
    std::vector<std::int64_t> ways_;    // per kind, its sets not dead
    std::vector<std::int32_t> lowest_;  // per kind, the first set it may still branch on
    std::vector<std::int32_t> path_;    // the sets taken, in order
    std::int64_t freeCount_ = 0;
    std::int64_t nodes_ = 0;
    std::int64_t nodeLimit_ = 0;
    bool randomOrder_ = false;
    double noise_ = -1;  // when not negative, sets go by belief with up to this much noise
    bool exhausted_ = false;
    bool restart_ = false;
    bool proven_ = false;
    // Most sizes are single, so that beliefs may say which size is surest.
    bool sharp_ = false;
    std::mt19937_64 random_;
};

}  // namespace drovalin
