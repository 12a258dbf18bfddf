#include "plan/pattern_master.h"

#include <cmath>

namespace drovalin {
namespace {

constexpr double kTolerance = 1e-9;

}  // namespace

PatternMaster::PatternMaster(std::vector<double> demand, const std::vector<std::int64_t>& most)
    : demand_(std::move(demand)) {
    const std::size_t n = demand_.size();
    inverse_.assign(n * n, 0.0);
    values_.resize(n);
    costs_.assign(n, 1.0);
    for (std::size_t k = 0; k < n; ++k) {
        const double count = static_cast<double>(most[k]);
        inverse_[k * n + k] = 1.0 / count;
        values_[k] = demand_[k] / count;
    }
    UpdatePrices();
}

double PatternMaster::Objective() const {
    double sum = 0;
    for (std::size_t i = 0; i < values_.size(); ++i) sum += costs_[i] * values_[i];
    return sum;
}

bool PatternMaster::PivotSurplus() {
    std::size_t chosen = Kinds();
    double lowest = -kTolerance;
    for (std::size_t k = 0; k < Kinds(); ++k) {
        if (prices_[k] < lowest) {
            lowest = prices_[k];
            chosen = k;
        }
    }
    if (chosen == Kinds()) return false;
    std::vector<double> column(Kinds(), 0.0);
    column[chosen] = -1.0;
    return Pivot(column, 0.0);
}

bool PatternMaster::PivotPattern(const std::vector<std::int64_t>& counts) {
    std::vector<double> column(counts.begin(), counts.end());
    return Pivot(column, 1.0);
}

bool PatternMaster::Pivot(const std::vector<double>& column, double cost) {
    const std::size_t n = Kinds();
    std::vector<double> direction(n, 0.0);
    for (std::size_t k = 0; k < n; ++k) {
        if (column[k] == 0) continue;
        for (std::size_t i = 0; i < n; ++i) direction[i] += inverse_[i * n + k] * column[k];
    }
    // The ratio test; among ties the largest pivot, for stability.
    std::size_t leave = n;
    double ratio = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (direction[i] <= kTolerance) continue;
        const double r = std::max(values_[i], 0.0) / direction[i];
        if (leave == n || r < ratio - kTolerance ||
            (r <= ratio + kTolerance && direction[i] > direction[leave])) {
            leave = i;
            ratio = r;
        }
    }
    if (leave == n) return false;
    const double pivot = direction[leave];
    double* row = &inverse_[leave * n];
    for (std::size_t j = 0; j < n; ++j) row[j] /= pivot;
    values_[leave] = std::max(values_[leave], 0.0) / pivot;
    for (std::size_t i = 0; i < n; ++i) {
        if (i == leave || direction[i] == 0) continue;
        const double factor = direction[i];
        double* other = &inverse_[i * n];
        for (std::size_t j = 0; j < n; ++j) other[j] -= factor * row[j];
        values_[i] -= factor * values_[leave];
    }
    costs_[leave] = cost;
    UpdatePrices();
    return true;
}

void PatternMaster::UpdatePrices() {
    const std::size_t n = Kinds();
    prices_.assign(n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        if (costs_[i] == 0) continue;
        const double* row = &inverse_[i * n];
        for (std::size_t j = 0; j < n; ++j) prices_[j] += costs_[i] * row[j];
    }
}

}  // namespace drovalin
