#include "tables/text_grid.h"

#include <algorithm>
#include <stdexcept>

namespace drovalin {
namespace {

// A cell that reads as a number: blanks around it, an optional sign, decimal digits and an optional
// fraction. Kept as digit strings so that numbers of any length compare exactly.
struct Number {
    bool negative = false;
    std::string_view whole;     // without leading zeros
    std::string_view fraction;  // without trailing zeros
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool ReadNumber(std::string_view text, Number& number) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        number.negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const std::size_t wholeEnd = std::find_if_not(text.begin(), text.end(), IsDigit) - text.begin();
    std::string_view whole = text.substr(0, wholeEnd);
    std::string_view fraction;
    if (wholeEnd < text.size()) {
        if (text[wholeEnd] != '.') return false;
        fraction = text.substr(wholeEnd + 1);
        if (!std::all_of(fraction.begin(), fraction.end(), IsDigit)) return false;
    }
    if (whole.empty() && fraction.empty()) return false;
    while (!whole.empty() && whole.front() == '0') whole.remove_prefix(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
    number.whole = whole;
    number.fraction = fraction;
    if (whole.empty() && fraction.empty()) number.negative = false;  // -0 is 0
    return true;
}

int CompareMagnitude(const Number& a, const Number& b) {
    if (a.whole.size() != b.whole.size()) return a.whole.size() < b.whole.size() ? -1 : 1;
    if (const int c = a.whole.compare(b.whole); c != 0) return c < 0 ? -1 : 1;
    const int c = a.fraction.compare(b.fraction);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CompareNumbers(const Number& a, const Number& b) {
    if (a.negative != b.negative) return a.negative ? -1 : 1;
    const int magnitude = CompareMagnitude(a, b);
    return a.negative ? -magnitude : magnitude;
}

// Numbers compare by value and texts by their bytes. A number ranks below any text that is not a number;
// comparing such a pair as text would make the order circular ("2" < "10" by value, "10" < "1a" and
// "1a" < "2" as text), which no sort can honour.
int CompareCells(std::string_view a, std::string_view b) {
    Number na;
    Number nb;
    const bool aIsNumber = ReadNumber(a, na);
    const bool bIsNumber = ReadNumber(b, nb);
    if (aIsNumber && bIsNumber) return CompareNumbers(na, nb);
    if (aIsNumber != bIsNumber) return aIsNumber ? -1 : 1;
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

TextGrid::TextGrid(std::vector<std::string> header) : cols_(static_cast<int>(header.size())) {
    rows_.push_back(std::move(header));
}

int TextGrid::Rows() const { return static_cast<int>(rows_.size()); }

void TextGrid::SetRows(int rows) { rows_.resize(std::max(rows, 1), std::vector<std::string>(cols_)); }

int TextGrid::Cols() const { return cols_; }

void TextGrid::SetCols(int cols) {
    cols_ = std::max(cols, 0);
    for (auto& row : rows_) row.resize(cols_);
}

std::string TextGrid::Cell(int row, int col) const {
    if (row < 0 || row >= Rows() || col < 0 || col >= cols_) return {};
    return rows_[row][col];
}

void TextGrid::AddItem(std::string_view item) {
    std::vector<std::string> row(cols_);
    int col = 0;
    while (col < cols_) {
        const std::size_t tab = item.find('\t');
        row[col++] = std::string(item.substr(0, tab));
        if (tab == std::string_view::npos) break;
        item.remove_prefix(tab + 1);
    }
    rows_.push_back(std::move(row));
}

void TextGrid::Sort(int how) {
    if (how != 2) throw std::invalid_argument("TextGrid::Sort: only 2 (generic descending) is supported");
    const int col = Col();
    if (col < 0 || col >= cols_) return;
    std::stable_sort(rows_.begin() + 1, rows_.end(),
                     [col](const auto& a, const auto& b) { return CompareCells(a[col], b[col]) > 0; });
}

}  // namespace drovalin
