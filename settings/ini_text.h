#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drovalin {

// The bytes of an initialization file, read and edited the way the Windows profile functions do:
// section and key names compared without regard to ASCII letter case, blanks around names and values
// ignored, the first matching section and key win, a value in matching quotes read without them, and
// lines that are neither "[section]" nor "key=value" ignored. Editing keeps every other line and line
// end byte for byte.
class IniText {
  public:
    explicit IniText(std::string_view bytes);

    // The value's bytes, or nothing when the section or key is missing.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    // Replaces the value of the key, adding the key or the section when missing; nothing removes the
    // key's line. The value must hold no line break.
    void SetValue(std::string_view section, std::string_view key, const std::optional<std::string>& value);

    // Removes the section's header when no line but blank ones follows it up to the next section, with the
    // blank lines that set it apart, so a file that only ever held the section is as it was before.
    void RemoveSectionIfEmpty(std::string_view section);

    std::string Bytes() const;

  private:
    struct Line {
        std::string text;
        std::string end;  // "\r\n", "\n" or empty for a last line without one
    };
    struct KeyPlace {
        std::size_t section_end;  // one past the section's last line
        std::optional<std::size_t> key_line;
    };

    std::optional<KeyPlace> Find(std::string_view section, std::string_view key) const;
    void Insert(std::size_t at, std::string text);

    std::vector<Line> lines_;
    std::string line_end_ = "\r\n";
};

}  // namespace drovalin
