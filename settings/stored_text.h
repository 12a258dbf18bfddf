#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace drovalin {

// Text in the settings files is code page 932, as Windows writes it. Text that code page 932 cannot hold
// (a "♥", an accented letter, an emoji, or file name bytes that are not UTF-8 at all) is stored as the
// three bytes EF BB BF followed by the text's own bytes unchanged. No code page 932 text begins with
// them, since Windows-31J assigns no character to the lead byte 0xEF, so both forms read back without
// loss or ambiguity, and files written on Windows read exactly as there.

// The stored form of native bytes (UTF-8 text or a file name's bytes).
std::string ToStoredText(std::string_view native);

// The native bytes of a stored form, or nothing when it is neither form.
std::optional<std::string> FromStoredText(std::string_view stored);

}  // namespace drovalin
