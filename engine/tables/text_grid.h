#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tables/grid_table.h"

namespace drovalin {

// A grid that stores every cell as text, with AddItem and the generic descending sort.
class TextGrid : public GridTable {
  public:
    explicit TextGrid(std::vector<std::string> header);

    int Rows() const override;
    // Shrinks to or grows to the given row count (at least 1); new rows are empty.
    void SetRows(int rows) override;
    int Cols() const override;
    // Changes the column count; cells beyond it are dropped, new cells are empty.
    void SetCols(int cols);
    std::string Cell(int row, int col) const override;

    // Appends one row; TAB-separated fields fill columns 0, 1, 2 ... in order.
    void AddItem(std::string_view item);
    // Sort with value 2: data rows by the current column, largest first. Cells that both read as numbers
    // compare by value, two texts by their bytes, and a text ranks above a number. Equal rows keep their
    // order. Other values are rejected.
    void Sort(int how);

  private:
    int cols_;
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace drovalin
