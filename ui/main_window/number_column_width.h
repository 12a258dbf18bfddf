#pragma once

#include <cstdint>

class QTableView;

namespace drovalin {

// How many decimal digits a whole number has; 1 for zero and below.
int DecimalDigits(std::int64_t value);

// The width a column of the view needs to show any whole number of up to that many digits whole in the
// view's font: the widest such number, the style's text margins and the grid line.
int NumberColumnWidth(const QTableView& view, int digits);

}  // namespace drovalin
