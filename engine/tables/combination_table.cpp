#include "tables/combination_table.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "tables/radix_sort.h"

namespace drovalin {

CombinationTable::CombinationTable() : CombinationTable(std::make_shared<FileTable>()) {}

CombinationTable::CombinationTable(std::shared_ptr<const FileTable> files) : files_(std::move(files)) {
    if (!files_) throw std::invalid_argument("CombinationTable: no file table");
}

int CombinationTable::Rows() const { return static_cast<int>(combinations_.size()) + 1; }

void CombinationTable::SetRows(int rows) {
    if (rows != 1) throw std::invalid_argument("CombinationTable::SetRows: only 1 is supported");
    combinations_.clear();
    combinations_.shrink_to_fit();
    runs_.clear();
    runs_.shrink_to_fit();
}

int CombinationTable::Cols() const { return 4; }

std::string CombinationTable::Cell(int row, int col) const {
    if (col < 0 || col >= Cols() || row < 0 || row >= Rows()) return {};
    if (row == 0) return HeaderTexts()[col];
    switch (col) {
        case kTotalCol:
            return std::to_string(Total(row));
        case kCountCol:
            return std::to_string(Count(row));
        case kFreeCol:
            return std::to_string(Free(row));
        default:
            return Names(row);
    }
}

std::int32_t CombinationTable::Capacity() const { return capacity_; }

void CombinationTable::SetCapacity(std::int32_t capacity) { capacity_ = capacity; }

void CombinationTable::Check(const Run* first, const Run* last, std::int32_t rows) {
    if (first == last) throw std::invalid_argument("CombinationTable::Append: no files");
    std::int32_t previousEnd = 1;
    for (const Run* run = first; run != last; ++run) {
        if (run->first < previousEnd || run->last <= run->first || run->last > rows)
            throw std::invalid_argument(
                "CombinationTable::Append: runs out of order or outside the file table");
        previousEnd = run->last;
    }
}

void CombinationTable::Append(std::int64_t total, const std::vector<Run>& runs) {
    Check(runs.data(), runs.data() + runs.size(), files_->Rows());
    if (runs_.size() + runs.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("CombinationTable::Append: too many runs");
    combinations_.push_back(
        {total, static_cast<std::uint32_t>(runs_.size()), static_cast<std::uint32_t>(runs.size())});
    runs_.insert(runs_.end(), runs.begin(), runs.end());
}

void CombinationTable::Batch::Append(std::int64_t total, const std::vector<Run>& runs) {
    if (runs_.size() + runs.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("CombinationTable::Batch::Append: too many runs");
    combinations_.push_back(
        {total, static_cast<std::uint32_t>(runs_.size()), static_cast<std::uint32_t>(runs.size())});
    runs_.insert(runs_.end(), runs.begin(), runs.end());
}

void CombinationTable::Append(Batch&& batch) {
    if (runs_.size() + batch.runs_.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("CombinationTable::Append: too many runs");
    for (const Combination& c : batch.combinations_) {
        if (std::size_t{c.firstRun} + c.runCount > batch.runs_.size())
            throw std::invalid_argument("CombinationTable::Append: batch out of order");
        const Run* first = batch.runs_.data() + c.firstRun;
        Check(first, first + c.runCount, files_->Rows());
    }
    const auto offset = static_cast<std::uint32_t>(runs_.size());
    for (const Combination& c : batch.combinations_)
        combinations_.push_back({c.total, c.firstRun + offset, c.runCount});
    runs_.insert(runs_.end(), batch.runs_.begin(), batch.runs_.end());
    batch = Batch{};
}

void CombinationTable::Reserve(std::size_t combinations, std::size_t runs) {
    combinations_.reserve(combinations_.size() + combinations);
    runs_.reserve(runs_.size() + runs);
}

void CombinationTable::SortByTotalDescending() {
    StableSortByKeyDescending(combinations_, [](const Combination& c) { return c.total; });
}

const CombinationTable::Combination& CombinationTable::At(int row) const {
    if (row < 1 || row >= Rows()) throw std::out_of_range("CombinationTable: no such data row");
    return combinations_[row - 1];
}

std::int64_t CombinationTable::Total(int row) const { return At(row).total; }

std::int64_t CombinationTable::Count(int row) const {
    const Combination& c = At(row);
    std::int64_t count = 0;
    for (std::uint32_t i = 0; i < c.runCount; ++i)
        count += runs_[c.firstRun + i].last - runs_[c.firstRun + i].first;
    return count;
}

std::int64_t CombinationTable::Free(int row) const { return capacity_ - Total(row); }

std::string CombinationTable::Names(int row, std::int64_t maxNames) const {
    const Combination& c = At(row);
    std::string names;
    std::int64_t joined = 0;
    for (std::uint32_t i = 0; i < c.runCount; ++i) {
        const Run& run = runs_[c.firstRun + i];
        for (std::int32_t file = run.first; file < run.last; ++file) {
            if (maxNames >= 0 && joined >= maxNames) return names;
            if (joined++ > 0) names += ',';
            names += files_->Name(file);
        }
    }
    return names;
}

std::vector<int> CombinationTable::FileRows(int row) const {
    const Combination& c = At(row);
    std::vector<int> rows;
    for (std::uint32_t i = 0; i < c.runCount; ++i) {
        const Run& run = runs_[c.firstRun + i];
        for (std::int32_t file = run.first; file < run.last; ++file) rows.push_back(file);
    }
    return rows;
}

std::vector<std::string> CombinationTable::FileNames(int row) const {
    const Combination& c = At(row);
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(Count(row)));
    for (std::uint32_t i = 0; i < c.runCount; ++i) {
        const Run& run = runs_[c.firstRun + i];
        for (std::int32_t file = run.first; file < run.last; ++file) names.push_back(files_->Name(file));
    }
    return names;
}

const FileTable& CombinationTable::Files() const { return *files_; }

std::shared_ptr<const FileTable> CombinationTable::SharedFiles() const { return files_; }

const std::vector<std::string>& CombinationTable::HeaderTexts() {
    static const std::vector<std::string> header = [] {
        std::string names = "ファイル名";
        for (int i = 0; i < 53; ++i) names += "\u3000";  // widens the names column
        return std::vector<std::string>{"合計サイズ", "ファイル数", "空き容量", names};
    }();
    return header;
}

}  // namespace drovalin
