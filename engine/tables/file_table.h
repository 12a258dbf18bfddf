#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tables/grid_table.h"

namespace drovalin {

// The file table: one data row per file, column 0 the file name (the file system's own bytes), column 1
// its size in kilobytes as decimal text. Stored compactly; cell texts are made when read.
class FileTable : public GridTable {
  public:
    static constexpr int kNameCol = 0;
    static constexpr int kSizeCol = 1;

    int Rows() const override;
    // Only 1 (drop every data row) is accepted; anything else throws std::invalid_argument.
    void SetRows(int rows) override;
    int Cols() const override;
    std::string Cell(int row, int col) const override;

    // Makes room for that many files at once, so a large folder is not copied while it grows.
    void Reserve(std::size_t files);
    // A file given in kilobytes only counts as exactly that many times 1024 bytes; more kilobytes than any
    // file's byte count can reach are held as the largest byte count.
    void Append(std::string name, std::int64_t kilobytes);
    // A measured file: its size in kilobytes is the bytes rounded as ByteToKilo does.
    void AppendBytes(std::string name, std::int64_t bytes);
    // Orders the data rows by size, largest first; equal sizes by name bytes, so the order is reproducible.
    // Several threads sort a large table.
    void SortBySizeDescending(unsigned threads = 1);

    // Data row accessors (row 1 is the first file).
    const std::string& Name(int row) const;
    std::int64_t Kilobytes(int row) const;
    // The exact size, which decides whether files fit on a medium.
    std::int64_t Bytes(int row) const;

    static const std::vector<std::string>& HeaderTexts();

  private:
    // Only the bytes are kept: the kilobytes follow from them, and a second count would cost every file.
    struct Entry {
        std::string name;
        std::int64_t bytes;
    };
    std::vector<Entry> entries_;
};

}  // namespace drovalin
