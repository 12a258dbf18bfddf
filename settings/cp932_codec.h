#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace drovalin {

// Code page 932 (Windows-31J) text, converted by glibc's iconv, whose "CP932" is the Windows variant
// with the NEC and IBM extensions.

// The UTF-8 form of code page 932 bytes, or nothing when they are not valid code page 932.
std::optional<std::string> DecodeCp932(std::string_view cp932);

// The code page 932 form of UTF-8 text, or nothing when the text is not valid UTF-8 or holds a character
// that would not come back unchanged (one code page 932 lacks, or one it maps onto another, like U+00A5).
std::optional<std::string> EncodeCp932(std::string_view utf8);

}  // namespace drovalin
