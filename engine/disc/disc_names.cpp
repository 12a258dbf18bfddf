#include "disc/disc_names.h"

#include <cstddef>

namespace drovalin {

namespace {

// Length of the valid UTF-8 sequence starting at i, or 0 when the byte there does not start one.
std::size_t SequenceLength(const std::string& s, std::size_t i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char c = byte(i);
    if (c < 0x80) return 1;
    std::size_t n = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    unsigned char lo = 0x80, hi = 0xBF;  // the second byte's range excludes overlong forms and surrogates
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
    if (byte(i + 1) < lo || byte(i + 1) > hi) return 0;
    for (std::size_t k = 2; k < n; ++k)
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    return n;
}

}  // namespace

bool IsValidUtf8(const std::string& bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t n = SequenceLength(bytes, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string JolietEscapedName(const std::string& name) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        std::size_t n = SequenceLength(name, i);
        if (n > 0) {
            out.append(name, i, n);
            i += n;
            continue;
        }
        unsigned char c = static_cast<unsigned char>(name[i++]);
        out += '%';
        out += hex[c >> 4];
        out += hex[c & 15];
    }
    return out;
}

}  // namespace drovalin
