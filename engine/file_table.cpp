#include "file_table.h"

#include <algorithm>
#include <stdexcept>

#include "parallel_sort.h"

namespace drovalin {

int FileTable::Rows() const { return static_cast<int>(entries_.size()) + 1; }

void FileTable::SetRows(int rows) {
    if (rows != 1) throw std::invalid_argument("FileTable::SetRows: only 1 is supported");
    entries_.clear();
    entries_.shrink_to_fit();
}

int FileTable::Cols() const { return 2; }

std::string FileTable::Cell(int row, int col) const {
    if (col < 0 || col >= Cols() || row < 0 || row >= Rows()) return {};
    if (row == 0) return HeaderTexts()[col];
    const Entry& entry = entries_[row - 1];
    return col == kNameCol ? entry.name : std::to_string(entry.kilobytes);
}

void FileTable::Reserve(std::size_t files) { entries_.reserve(files); }

void FileTable::Append(std::string name, std::int64_t kilobytes) {
    if (kilobytes < 0) throw std::invalid_argument("FileTable::Append: negative size");
    entries_.push_back({std::move(name), kilobytes});
}

void FileTable::SortBySizeDescending(unsigned threads) {
    // Names differ within a folder, so no two entries are equal and an unstable sort is as reproducible.
    ParallelSort(
        entries_.begin(), entries_.end(),
        [](const Entry& a, const Entry& b) {
            if (a.kilobytes != b.kilobytes) return a.kilobytes > b.kilobytes;
            return a.name < b.name;
        },
        threads, false);
}

const std::string& FileTable::Name(int row) const { return entries_.at(row - 1).name; }

std::int64_t FileTable::Kilobytes(int row) const { return entries_.at(row - 1).kilobytes; }

const std::vector<std::string>& FileTable::HeaderTexts() {
    static const std::vector<std::string> header{"ファイル名", "ファイルサイズ"};
    return header;
}

}  // namespace drovalin
