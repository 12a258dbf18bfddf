#include "plan/pattern_master.h"

#include <cmath>

namespace drovalin {
namespace {

constexpr double kTolerance = 1e-9;
// Smaller pivots would magnify rounding.
constexpr double kPivotTolerance = 1e-7;
constexpr int kReinvertEvery = 64;

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
        columns_.emplace_back(n, 0.0);
        columns_.back()[k] = count;
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
        if (direction[i] <= kPivotTolerance) continue;
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
    columns_[leave] = column;
    if (++pivots_ % kReinvertEvery == 0 && !Reinvert()) return false;
    UpdatePrices();
    return true;
}

bool PatternMaster::Reinvert() {
    const std::size_t n = Kinds();
    std::vector<double> basis(n * n);  // row i, column j: kind i in basis column j
    for (std::size_t j = 0; j < n; ++j)
        for (std::size_t i = 0; i < n; ++i) basis[i * n + j] = columns_[j][i];
    std::vector<double> inverse(n * n, 0.0);
    for (std::size_t i = 0; i < n; ++i) inverse[i * n + i] = 1.0;
    // Gauss-Jordan with partial pivoting on the rows.
    for (std::size_t col = 0; col < n; ++col) {
        std::size_t best = col;
        for (std::size_t row = col + 1; row < n; ++row)
            if (std::abs(basis[row * n + col]) > std::abs(basis[best * n + col])) best = row;
        if (std::abs(basis[best * n + col]) < kPivotTolerance) return false;
        if (best != col) {
            for (std::size_t j = 0; j < n; ++j) {
                std::swap(basis[best * n + j], basis[col * n + j]);
                std::swap(inverse[best * n + j], inverse[col * n + j]);
            }
        }
        const double pivot = basis[col * n + col];
        for (std::size_t j = 0; j < n; ++j) {
            basis[col * n + j] /= pivot;
            inverse[col * n + j] /= pivot;
        }
        for (std::size_t row = 0; row < n; ++row) {
            const double factor = basis[row * n + col];
            if (row == col || factor == 0) continue;
            for (std::size_t j = 0; j < n; ++j) {
                basis[row * n + j] -= factor * basis[col * n + j];
                inverse[row * n + j] -= factor * inverse[col * n + j];
            }
        }
    }
    inverse_ = std::move(inverse);
    for (std::size_t i = 0; i < n; ++i) {
        double value = 0;
        for (std::size_t j = 0; j < n; ++j) value += inverse_[i * n + j] * demand_[j];
        values_[i] = value;
    }
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
