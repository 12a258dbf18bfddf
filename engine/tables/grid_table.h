#pragma once

#include <string>

namespace drovalin {

// A rectangle of text cells with a fixed header row 0 and one current cell, the cursor that readers move
// over the data rows 1 .. Rows() - 1. Concrete tables decide how they store their rows.
class GridTable {
  public:
    virtual ~GridTable() = default;

    // Number of rows, header row included.
    virtual int Rows() const = 0;
    // Writing 1 drops every data row and keeps the header; a table may refuse other values.
    virtual void SetRows(int rows) = 0;
    virtual int Cols() const = 0;

    // Text of any cell; row 0 is the header. Out-of-range cells read as empty text.
    virtual std::string Cell(int row, int col) const = 0;

    int Row() const { return row_; }
    void SetRow(int row) { row_ = row; }
    int Col() const { return col_; }
    void SetCol(int col) { col_ = col; }
    // Text of the current cell.
    std::string Text() const { return Cell(row_, col_); }

  private:
    int row_ = 0;
    int col_ = 0;
};

}  // namespace drovalin
