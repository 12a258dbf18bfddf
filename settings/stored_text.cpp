#include "stored_text.h"

#include "cp932_codec.h"

namespace drovalin {
namespace {

constexpr std::string_view kNativeMark = "\xEF\xBB\xBF";

}  // namespace

std::string ToStoredText(std::string_view native) {
    if (std::optional<std::string> cp932 = EncodeCp932(native)) return *cp932;
    return std::string(kNativeMark) + std::string(native);
}

std::optional<std::string> FromStoredText(std::string_view stored) {
    if (stored.starts_with(kNativeMark)) return std::string(stored.substr(kNativeMark.size()));
    return DecodeCp932(stored);
}

}  // namespace drovalin
