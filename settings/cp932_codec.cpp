#include "cp932_codec.h"

#include <iconv.h>

#include <cerrno>

namespace drovalin {
namespace {

std::optional<std::string> Convert(const char* to, const char* from, std::string_view input) {
    const iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;

    // Both encodings are stateless, so no final flush is needed.
    std::string output(input.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(input.data());
    std::size_t in_left = input.size();
    std::size_t done = 0;
    bool ok = true;
    while (in_left > 0) {
        char* out = output.data() + done;
        std::size_t out_left = output.size() - done;
        const std::size_t rc = iconv(cd, &in, &in_left, &out, &out_left);
        done = output.size() - out_left;
        if (rc != static_cast<std::size_t>(-1)) continue;
        if (errno != E2BIG) {
            ok = false;
            break;
        }
        output.resize(output.size() * 2);
    }
    iconv_close(cd);
    if (!ok) return std::nullopt;
    output.resize(done);
    return output;
}

}  // namespace

std::optional<std::string> DecodeCp932(std::string_view cp932) { return Convert("UTF-8", "CP932", cp932); }

std::optional<std::string> EncodeCp932(std::string_view utf8) {
    std::optional<std::string> encoded = Convert("CP932", "UTF-8", utf8);
    if (!encoded) return std::nullopt;
    const std::optional<std::string> back = DecodeCp932(*encoded);
    if (!back || *back != utf8) return std::nullopt;
    return encoded;
}

}  // namespace drovalin
