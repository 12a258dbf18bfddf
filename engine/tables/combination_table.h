#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tables/file_table.h"
#include "tables/grid_table.h"

namespace drovalin {

// The combination table: one data row per combination with its total, file count, free space and the
// comma-joined names, best-filled first. A combination is kept as runs of consecutive file-table rows, so
// memory grows with files plus rows; a names cell's text is only made when it is read.
class CombinationTable : public GridTable {
  public:
    static constexpr int kTotalCol = 0;
    static constexpr int kCountCol = 1;
    static constexpr int kFreeCol = 2;
    static constexpr int kNamesCol = 3;

    // A half-open range [first, last) of file-table data rows.
    struct Run {
        std::int32_t first;
        std::int32_t last;
    };

    CombinationTable();
    // The table reads names from files, which must outlive it or be shared with it.
    explicit CombinationTable(std::shared_ptr<const FileTable> files);

    int Rows() const override;
    // Only 1 (drop every data row) is accepted; anything else throws std::invalid_argument.
    void SetRows(int rows) override;
    int Cols() const override;
    std::string Cell(int row, int col) const override;

    std::int32_t Capacity() const;
    void SetCapacity(std::int32_t capacity);

    class Batch;

    // Appends one combination; runs are in file-table order and not empty.
    void Append(std::int64_t total, const std::vector<Run>& runs);
    // Appends the batch's combinations in their order and empties the batch.
    void Append(Batch&& batch);
    // Makes room for that many more combinations and runs at once.
    void Reserve(std::size_t combinations, std::size_t runs);
    // Orders the data rows by total, largest first; equal totals keep their order of appending.
    void SortByTotalDescending();

    std::int64_t Total(int row) const;
    std::int64_t Count(int row) const;
    std::int64_t Free(int row) const;
    // The names joined by ",". With maxNames >= 0 at most that many names are joined.
    std::string Names(int row, std::int64_t maxNames = -1) const;
    // The combination's files as file-table data rows, in file-table order.
    std::vector<int> FileRows(int row) const;
    // The combination's file names (the file system's bytes), in file-table order.
    std::vector<std::string> FileNames(int row) const;

    const FileTable& Files() const;
    std::shared_ptr<const FileTable> SharedFiles() const;

    static const std::vector<std::string>& HeaderTexts();

  private:
    // 16 bytes a row; the count is summed from the runs when asked for.
    struct Combination {
        std::int64_t total;
        std::uint32_t firstRun;
        std::uint32_t runCount;
    };
    static void Check(const Run* first, const Run* last, std::int32_t rows);
    const Combination& At(int row) const;
    std::shared_ptr<const FileTable> files_;
    std::int32_t capacity_ = 0;
    std::vector<Combination> combinations_;
    std::vector<Run> runs_;
};

// Combinations gathered apart from any table, by one thread of a search, to be appended to the table later.
class CombinationTable::Batch {
  public:
    void Append(std::int64_t total, const std::vector<Run>& runs);
    std::size_t Combinations() const { return combinations_.size(); }
    std::size_t Runs() const { return runs_.size(); }

  private:
    friend class CombinationTable;
    std::vector<Combination> combinations_;  // firstRun counts from the batch's first run
    std::vector<Run> runs_;
};

}  // namespace drovalin
