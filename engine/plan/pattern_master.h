#pragma once

#include <cstdint>
#include <vector>

namespace drovalin {

// The linear program of bins as patterns: minimise the number of patterns used, fractions allowed, such
// that each kind of item appears at least its demand times. Holds the patterns of the current basis only
// and solves by the revised simplex method with a dense basis inverse, one pivot per call. The basis
// starts with one pattern per kind (as many of that kind as fit), which is feasible at once.
class PatternMaster {
  public:
    // most[k]: how many items of kind k fit in one pattern, at least 1.
    PatternMaster(std::vector<double> demand, const std::vector<std::int64_t>& most);

    std::size_t Kinds() const { return demand_.size(); }
    // The dual price of each kind under the current basis, and the objective.
    const std::vector<double>& Prices() const { return prices_; }
    double Objective() const;
    // Brings the surplus of one kind into the basis when its price is negative; false when none is.
    bool PivotSurplus();
    // Brings the pattern (counts per kind) into the basis. False when no basic variable can leave or the
    // basis can no longer be inverted reliably, which only rounding can cause.
    bool PivotPattern(const std::vector<std::int64_t>& counts);

  private:
    bool Pivot(const std::vector<double>& column, double cost);
    void UpdatePrices();
    // Computes the inverse afresh from the basis columns, so that rounding does not pile up over pivots.
    bool Reinvert();

    std::vector<double> demand_;
    std::vector<double> inverse_;  // the basis inverse, row by row
    std::vector<double> values_;   // of the basic variables
    std::vector<double> costs_;    // of the basic variables
    std::vector<double> prices_;
    std::vector<std::vector<double>> columns_;  // of the basis, by position
    int pivots_ = 0;
};

}  // namespace drovalin
