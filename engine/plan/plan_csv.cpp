#include "plan/plan_csv.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "listing/file_error_reason.h"

namespace drovalin {
namespace {

// The length of the valid UTF-8 sequence starting at text[at], or 0 when there is none: no overlong forms,
// no surrogates, nothing above U+10FFFF.
std::size_t Utf8SequenceLength(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
    return length;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string Directory(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string EscapedName(const std::string& name) {
    std::string escaped;
    escaped.reserve(name.size());
    for (std::size_t at = 0; at < name.size();) {
        if (name[at] == '\\') {
            escaped += "\\\\";
            ++at;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(name, at);
        if (length == 0) {
            char hex[5];
            std::snprintf(hex, sizeof(hex), "\\x%02X", static_cast<unsigned char>(name[at]));
            escaped += hex;
            ++at;
            continue;
        }
        escaped.append(name, at, length);
        at += length;
    }
    return escaped;
}

std::string UnescapedName(const std::string& escaped) {
    std::string name;
    name.reserve(escaped.size());
    for (std::size_t at = 0; at < escaped.size(); ++at) {
        if (escaped[at] != '\\' || at + 1 >= escaped.size()) {
            name += escaped[at];
        } else if (escaped[at + 1] == '\\') {
            name += '\\';
            ++at;
        } else if (escaped[at + 1] == 'x' && at + 3 < escaped.size() && HexValue(escaped[at + 2]) >= 0 &&
                   HexValue(escaped[at + 3]) >= 0) {
            name += static_cast<char>(HexValue(escaped[at + 2]) * 16 + HexValue(escaped[at + 3]));
            at += 3;
        } else {
            name += escaped[at];
        }
    }
    return name;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string PlanCsvText(const MediaPlan& plan, const FileTable& files) {
    std::string text = "媒体番号,ファイル名,ファイルサイズ（KB）\r\n";
    const auto line = [&](const std::string& medium, int row) {
        text += medium + "," + CsvField(EscapedName(files.Name(row))) + "," +
                std::to_string(files.Kilobytes(row)) + "\r\n";
    };
    for (std::size_t m = 0; m < plan.media.size(); ++m)
        for (const int row : plan.media[m].rows) line(std::to_string(m + 1), row);
    for (const int row : plan.tooLarge) line("", row);
    return text;
}

std::string WriteFileReplacing(const std::string& path, const std::string& text) {
    std::string temporary = Directory(path) + "/.drovalin-XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return FileErrorReason(errno);
    std::size_t written = 0;
    int error = 0;
    while (written < text.size()) {
        const ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errno;
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    if (error == 0 && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && error == 0) error = errno;
    // mkstemp makes the file readable by its owner only; give it the usual permissions of a new file.
    if (error == 0) {
        const mode_t mask = umask(0);
        umask(mask);
        if (chmod(temporary.c_str(), 0666 & ~mask) != 0) error = errno;
    }
    if (error == 0 && rename(temporary.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        unlink(temporary.c_str());
        return FileErrorReason(error);
    }
    return {};
}

}  // namespace drovalin
