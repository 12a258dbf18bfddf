#include "tables/file_table.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include "tables/byte_to_kilo.h"
#include "tables/parallel_sort.h"
#include "tables/radix_sort.h"
#include "tables/worker_threads.h"

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
    return col == kNameCol ? entry.name : std::to_string(ByteToKilo(entry.bytes));
}

void FileTable::Reserve(std::size_t files) { entries_.reserve(files); }

void FileTable::Append(std::string name, std::int64_t kilobytes) {
    if (kilobytes < 0) throw std::invalid_argument("FileTable::Append: negative size");
    constexpr std::int64_t kMostKilobytes = std::numeric_limits<std::int64_t>::max() / 1024;
    entries_.push_back({std::move(name), kilobytes > kMostKilobytes ? std::numeric_limits<std::int64_t>::max()
                                                                    : kilobytes * 1024});
}

void FileTable::AppendBytes(std::string name, std::int64_t bytes) {
    if (bytes < 0) throw std::invalid_argument("FileTable::AppendBytes: negative size");
    entries_.push_back({std::move(name), bytes});
}

namespace {

// What the sort moves instead of the entries: the size, 8 name bytes read as a big-endian number, and the
// entry it stands for. The name bytes are those after the prefix every name shares, so equal sizes are
// mostly settled without reading the names, which lie all over the heap.
struct SortKey {
    std::int64_t kilobytes;
    std::uint64_t nameBytes;
    std::uint32_t entry;
};

// Zero bytes pad a short name, so a name ending early orders first, as a prefix does among names; keys that
// come out equal are settled by the whole names.
std::uint64_t NameBytes(const std::string& name, std::size_t from) {
    std::uint64_t bytes = 0;
    for (std::size_t i = from; i < from + 8; ++i)
        bytes = (bytes << 8) | (i < name.size() ? static_cast<unsigned char>(name[i]) : 0u);
    return bytes;
}

}  // namespace

void FileTable::SortBySizeDescending(unsigned threads) {
    // Reading the names is the slow part of making the keys (each lies elsewhere on the heap), so the
    // threads share it.
    constexpr std::size_t kPiece = 1 << 15;
    const std::size_t count = entries_.size();
    const std::size_t pieces = (count + kPiece - 1) / kPiece;
    const auto inPieces = [&](const auto& work) {
        std::atomic<std::size_t> next{0};
        RunOnThreads(static_cast<unsigned>(std::min<std::size_t>(std::max(threads, 1u), pieces)), [&] {
            for (std::size_t p = next++; p < pieces; p = next++)
                work(p, p * kPiece, std::min(count, (p + 1) * kPiece));
        });
    };

    // Names that already come in order (a tree's listing hands them on so) leave only the sizes to sort:
    // the entry's place then settles equal sizes as its name would, without reading the names again.
    std::vector<char> pieceOrdered(pieces);
    inPieces([&](std::size_t piece, std::size_t first, std::size_t last) {
        bool ordered = true;
        for (std::size_t i = std::max<std::size_t>(first, 1); i < last && ordered; ++i)
            ordered = !(entries_[i].name < entries_[i - 1].name);
        pieceOrdered[piece] = ordered;
    });

    // Gathered into a new array: its reads are independent of each other, so they overlap, which a walk
    // along the permutation's cycles cannot do.
    const auto gather = [&](const auto& keys) {
        std::vector<Entry> sorted(count);
        inPieces([&](std::size_t, std::size_t first, std::size_t last) {
            for (std::size_t i = first; i < last; ++i) sorted[i] = std::move(entries_[keys[i].entry]);
        });
        entries_ = std::move(sorted);
    };
    if (std::all_of(pieceOrdered.begin(), pieceOrdered.end(), [](char ordered) { return ordered != 0; })) {
        struct SizeKey {
            std::int64_t kilobytes;
            std::uint32_t entry;
        };
        std::vector<SizeKey> keys(count);
        inPieces([&](std::size_t, std::size_t first, std::size_t last) {
            for (std::size_t i = first; i < last; ++i)
                keys[i] = {ByteToKilo(entries_[i].bytes), static_cast<std::uint32_t>(i)};
        });
        StableSortByKeyDescending(keys, [](const SizeKey& key) { return key.kilobytes; });
        gather(keys);
        return;
    }

    std::vector<std::size_t> pieceShared(pieces);
    inPieces([&](std::size_t piece, std::size_t first, std::size_t last) {
        const std::string& name = entries_.front().name;
        std::size_t shared = name.size();
        for (std::size_t i = first; i < last; ++i) {
            const std::string& other = entries_[i].name;
            shared = static_cast<std::size_t>(
                std::mismatch(name.begin(),
                              name.begin() + static_cast<std::ptrdiff_t>(std::min(shared, other.size())),
                              other.begin())
                    .first -
                name.begin());
        }
        pieceShared[piece] = shared;
    });
    std::vector<SortKey> keys(count);
    const std::size_t shared = pieces == 0 ? 0 : *std::min_element(pieceShared.begin(), pieceShared.end());
    inPieces([&](std::size_t, std::size_t first, std::size_t last) {
        for (std::size_t i = first; i < last; ++i)
            keys[i] = {ByteToKilo(entries_[i].bytes), NameBytes(entries_[i].name, shared),
                       static_cast<std::uint32_t>(i)};
    });
    // Names differ within a folder, so no two keys are equal and an unstable sort is as reproducible.
    ParallelSort(
        keys.begin(), keys.end(),
        [this](const SortKey& a, const SortKey& b) {
            if (a.kilobytes != b.kilobytes) return a.kilobytes > b.kilobytes;
            if (a.nameBytes != b.nameBytes) return a.nameBytes < b.nameBytes;
            return entries_[a.entry].name < entries_[b.entry].name;
        },
        threads, false);
    gather(keys);
}

const std::string& FileTable::Name(int row) const { return entries_.at(row - 1).name; }

std::int64_t FileTable::Kilobytes(int row) const { return ByteToKilo(entries_.at(row - 1).bytes); }

std::int64_t FileTable::Bytes(int row) const { return entries_.at(row - 1).bytes; }

const std::vector<std::string>& FileTable::HeaderTexts() {
    static const std::vector<std::string> header{"ファイル名", "ファイルサイズ"};
    return header;
}

}  // namespace drovalin
