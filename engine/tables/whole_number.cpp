#include "tables/whole_number.h"

#include <cstdint>
#include <limits>
#include <string>

namespace drovalin {
namespace {

// Decodes one UTF-8 code point at pos and advances pos; malformed input gives U+FFFD.
char32_t NextCodePoint(std::string_view s, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(pos);
    int length = lead < 0x80           ? 1
                 : (lead >> 5) == 0x6  ? 2
                 : (lead >> 4) == 0xE  ? 3
                 : (lead >> 3) == 0x1E ? 4
                                       : 0;
    if (length == 0 || pos + length > s.size()) {
        ++pos;
        return U'\uFFFD';
    }
    char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        const unsigned char next = byte(pos + i);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return U'\uFFFD';
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    pos += length;
    return cp;
}

// Folds the full-width forms that Japanese input methods type onto their ASCII twins.
char32_t FoldFullWidth(char32_t cp) {
    if (cp >= U'\uFF01' && cp <= U'\uFF5E') return cp - 0xFEE0;
    if (cp == U'\u3000') return U' ';
    if (cp == U'\u2212') return U'-';  // minus sign
    return cp;
}

bool IsBlank(char32_t cp) { return cp == U' ' || cp == U'\t'; }

}  // namespace

std::optional<std::int32_t> ParseWholeNumber(std::string_view utf8) {
    std::u32string text;
    for (std::size_t pos = 0; pos < utf8.size();) text.push_back(FoldFullWidth(NextCodePoint(utf8, pos)));

    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;

    bool negative = false;
    if (begin < end && (text[begin] == U'+' || text[begin] == U'-')) {
        negative = text[begin] == U'-';
        ++begin;
    }

    // The magnitude is kept only up to a bound just past the 32-bit range, so long inputs cannot overflow.
    constexpr std::int64_t kBound = std::int64_t{1} << 32;
    std::int64_t whole = 0;
    std::size_t digits = 0;
    std::size_t pos = begin;
    for (; pos < end && text[pos] >= U'0' && text[pos] <= U'9'; ++pos, ++digits)
        whole = std::min(kBound, whole * 10 + static_cast<std::int64_t>(text[pos] - U'0'));

    // The fraction decides the rounding: above, below or exactly one half.
    int versusHalf = -1;
    std::size_t fractionDigits = 0;
    if (pos < end && text[pos] == U'.') {
        ++pos;
        const std::size_t first = pos;
        for (; pos < end && text[pos] >= U'0' && text[pos] <= U'9'; ++pos, ++fractionDigits) {
        }
        if (fractionDigits > 0) {
            const char32_t lead = text[first];
            bool restZero = true;
            for (std::size_t i = first + 1; i < pos; ++i) restZero = restZero && text[i] == U'0';
            versusHalf = lead > U'5' || (lead == U'5' && !restZero) ? 1 : (lead == U'5' ? 0 : -1);
        }
    }
    if (pos != end || digits + fractionDigits == 0) return std::nullopt;

    if (versusHalf > 0 || (versusHalf == 0 && whole % 2 == 1)) ++whole;
    const std::int64_t value = negative ? -whole : whole;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

}  // namespace drovalin
