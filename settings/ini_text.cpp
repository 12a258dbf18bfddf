#include "ini_text.h"

#include <algorithm>

namespace drovalin {
namespace {

constexpr std::string_view kBlanks = " \t\v\f\r";

std::string_view Trim(std::string_view s) {
    const std::size_t begin = s.find_first_not_of(kBlanks);
    if (begin == std::string_view::npos) return {};
    return s.substr(begin, s.find_last_not_of(kBlanks) - begin + 1);
}

bool SameName(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::ranges::equal(a, b, [&](char x, char y) { return lower(x) == lower(y); });
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

std::optional<std::string_view> SectionName(std::string_view line) {
    const std::string_view text = Trim(line);
    if (!text.starts_with('[')) return std::nullopt;
    const std::size_t close = text.find(']');
    return Trim(text.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> ParseKeyLine(std::string_view line) {
    const std::string_view text = Trim(line);
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos || text.starts_with(';')) return std::nullopt;
    return KeyLine{Trim(text.substr(0, equals)), Trim(text.substr(equals + 1))};
}

// The reader drops blanks around a value and one pair of matching quotes, so a value that starts or ends
// with either is put in quotes to come back unchanged.
std::string Quoted(const std::string& value) {
    const bool needs_quotes =
        !value.empty() && (kBlanks.find(value.front()) != std::string_view::npos ||
                           kBlanks.find(value.back()) != std::string_view::npos ||
                           (value.size() >= 2 && IsQuote(value.front()) && value.front() == value.back()));
    return needs_quotes ? '"' + value + '"' : value;
}

}  // namespace

IniText::IniText(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t newline = bytes.find('\n');
        std::string_view whole =
            bytes.substr(0, newline == std::string_view::npos ? bytes.size() : newline + 1);
        bytes.remove_prefix(whole.size());
        Line line;
        if (whole.ends_with("\r\n")) {
            line.end = "\r\n";
        } else if (whole.ends_with('\n')) {
            line.end = "\n";
        }
        line.text = whole.substr(0, whole.size() - line.end.size());
        lines_.push_back(std::move(line));
    }
    // New lines follow the file's own line ends; a new file gets CR LF.
    const auto first_end = std::ranges::find_if(lines_, [](const Line& l) { return !l.end.empty(); });
    if (first_end != lines_.end()) line_end_ = first_end->end;
}

std::optional<IniText::KeyPlace> IniText::Find(std::string_view section, std::string_view key) const {
    std::size_t i = 0;
    while (i < lines_.size() &&
           !(SectionName(lines_[i].text) && SameName(*SectionName(lines_[i].text), section)))
        ++i;
    if (i == lines_.size()) return std::nullopt;

    KeyPlace place{lines_.size(), std::nullopt};
    for (++i; i < lines_.size(); ++i) {
        if (SectionName(lines_[i].text)) {
            place.section_end = i;
            break;
        }
        const std::optional<KeyLine> line = ParseKeyLine(lines_[i].text);
        if (!place.key_line && line && SameName(line->key, key)) place.key_line = i;
    }
    return place;
}

std::optional<std::string> IniText::Value(std::string_view section, std::string_view key) const {
    const std::optional<KeyPlace> place = Find(section, key);
    if (!place || !place->key_line) return std::nullopt;
    std::string_view value = ParseKeyLine(lines_[*place->key_line].text)->value;
    if (value.size() >= 2 && IsQuote(value.front()) && value.front() == value.back())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

void IniText::SetValue(std::string_view section, std::string_view key,
                       const std::optional<std::string>& value) {
    const std::optional<KeyPlace> place = Find(section, key);
    if (!value) {
        if (place && place->key_line)
            lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*place->key_line));
        return;
    }
    const std::string key_line = std::string(key) + '=' + Quoted(*value);
    if (place && place->key_line) {
        // Keep the key as the file spells it.
        std::string& text = lines_[*place->key_line].text;
        text = text.substr(0, text.find('=') + 1) + Quoted(*value);
    } else if (place) {
        // After the section's last line that is not blank, before any blank lines that part it from the next.
        std::size_t at = place->section_end;
        while (at > 0 && Trim(lines_[at - 1].text).empty()) --at;
        Insert(at, key_line);
    } else {
        if (!lines_.empty() && !Trim(lines_.back().text).empty()) Insert(lines_.size(), "");
        Insert(lines_.size(), '[' + std::string(section) + ']');
        Insert(lines_.size(), key_line);
    }
}

void IniText::RemoveSectionIfEmpty(std::string_view section) {
    const auto header = std::ranges::find_if(lines_, [&](const Line& l) {
        return SectionName(l.text) && SameName(*SectionName(l.text), section);
    });
    if (header == lines_.end()) return;
    auto end = header + 1;
    while (end != lines_.end() && !SectionName(end->text)) {
        if (!Trim(end->text).empty()) return;
        ++end;
    }
    auto begin = header;
    while (begin != lines_.begin() && Trim((begin - 1)->text).empty()) --begin;
    lines_.erase(begin, end);
}

void IniText::Insert(std::size_t at, std::string text) {
    if (at > 0 && lines_[at - 1].end.empty()) lines_[at - 1].end = line_end_;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), line_end_});
}

std::string IniText::Bytes() const {
    std::string bytes;
    for (const Line& line : lines_) bytes += line.text + line.end;
    return bytes;
}

}  // namespace drovalin
