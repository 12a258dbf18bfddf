#include "disc/disc_layout.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

namespace drovalin {

namespace {

constexpr std::int64_t kSystemAndDescriptors = 16 + 3;  // system area, primary, Joliet, terminator
constexpr std::int64_t kFirstDataSector = 33;           // libisofs never starts file data earlier
constexpr std::int64_t kExtentBytes = 0xFFFFF800;       // largest extent of a multi-extent file
constexpr int kIsoNameMax = 31;
constexpr int kJolietNameMax = 64;
constexpr int kManglingDigitsMax = 7;
constexpr std::int64_t kLongestRecord = 254;
// A directory sector holds at least this many bytes of records before the next one must start a new sector.
constexpr std::int64_t kSectorFill = kSectorBytes - kLongestRecord;
// Rock Ridge entries of every record: PX of RRIP 1.12 and TF with three times.
constexpr int kRockRidgeFixed = 44 + 26;
constexpr int kContinuationEntry = 28;

// The name as code points; a byte outside valid UTF-8 counts as one point of its own (value + 0x110000).
std::vector<char32_t> CodePoints(const std::string& s) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t n = c < 0x80                 ? 1
                        : c >= 0xC2 && c <= 0xDF ? 2
                        : c >= 0xE0 && c <= 0xEF ? 3
                        : c >= 0xF0 && c <= 0xF4 ? 4
                                                 : 0;
        bool ok = n > 0 && i + n <= s.size();
        if (ok && n > 1) {
            unsigned char b = static_cast<unsigned char>(s[i + 1]);
            unsigned char lo = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
            unsigned char hi = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
            ok = b >= lo && b <= hi;
            for (std::size_t k = 2; ok && k < n; ++k)
                ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
        }
        if (!ok) {
            out.push_back(0x110000 + c);
            ++i;
            continue;
        }
        char32_t cp = n == 1 ? c : n == 2 ? c & 0x1F : n == 3 ? c & 0x0F : c & 0x07;
        for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += n;
    }
    return out;
}

char IsoChar(char32_t cp) {
    if (cp >= 0x80) return '_';
    char c = static_cast<char>(std::toupper(static_cast<int>(cp)));
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == '_' ? c : '_';
}

// Splits a name at its last dot into the lengths libisofs keeps of name and extension, for a limit of max
// characters (the dot not counted).
void SplitForLimit(std::size_t length, std::ptrdiff_t dot, std::size_t max, std::size_t& keepName,
                   std::size_t& keepExt, std::size_t& nameLength) {
    if (dot < 0 || static_cast<std::size_t>(dot) + 1 == length) {
        nameLength = length;
        keepName = std::min(length, max);
        keepExt = 0;
        return;
    }
    std::size_t ext = length - dot - 1;
    nameLength = dot;
    bool tooLong = length > max + 1;
    keepExt = tooLong && ext > 3 ? (nameLength < max - 3 ? max - nameLength : 3) : ext;
    keepName = tooLong ? max - keepExt : nameLength;
}

std::string IsoName(const std::string& name, bool folder) {
    std::vector<char32_t> cps = CodePoints(name);
    std::string out;
    if (folder) {
        for (std::size_t i = 0; i < cps.size() && i < static_cast<std::size_t>(kIsoNameMax); ++i)
            out += IsoChar(cps[i]);
        return out;
    }
    std::ptrdiff_t dot = -1;
    for (std::size_t i = 0; i < cps.size(); ++i)
        if (cps[i] == '.') dot = static_cast<std::ptrdiff_t>(i);
    std::size_t keepName, keepExt, nameLength;
    SplitForLimit(cps.size(), dot, kIsoNameMax - 1, keepName, keepExt, nameLength);
    for (std::size_t i = 0; i < keepName; ++i) out += IsoChar(cps[i]);
    out += '.';
    for (std::size_t i = 0; i < keepExt; ++i) out += IsoChar(cps[nameLength + 1 + i]);
    return out;
}

char16_t JolietChar(char32_t cp) {
    if (cp < 0x20 || cp == '*' || cp == '/' || cp == ':' || cp == ';' || cp == '?' || cp == '\\' ||
        cp > 0xFFFF)
        return u'_';
    return static_cast<char16_t>(cp);
}

// Joliet shows a name that is not valid UTF-8 escaped: each stray byte as %HH.
std::vector<char32_t> JolietPoints(const std::string& name) {
    std::vector<char32_t> out;
    for (char32_t cp : CodePoints(name)) {
        if (cp < 0x110000) {
            out.push_back(cp);
            continue;
        }
        static const char hex[] = "0123456789ABCDEF";
        unsigned b = cp - 0x110000;
        out.push_back('%');
        out.push_back(static_cast<char32_t>(hex[b >> 4]));
        out.push_back(static_cast<char32_t>(hex[b & 15]));
    }
    return out;
}

std::u16string JolietName(const std::string& name, bool folder) {
    std::vector<char32_t> cps = JolietPoints(name);
    std::u16string out;
    if (folder) {
        for (std::size_t i = 0; i < cps.size() && i < static_cast<std::size_t>(kJolietNameMax); ++i)
            out += JolietChar(cps[i]);
        return out;
    }
    std::ptrdiff_t dot = -1;
    for (std::size_t i = 0; i < cps.size(); ++i)
        if (cps[i] == '.') dot = static_cast<std::ptrdiff_t>(i);
    std::size_t keepName, keepExt, nameLength;
    SplitForLimit(cps.size(), dot, kJolietNameMax, keepName, keepExt, nameLength);
    for (std::size_t i = 0; i < keepName; ++i) out += JolietChar(cps[i]);
    out += u'.';
    for (std::size_t i = 0; i < keepExt; ++i) out += JolietChar(cps[nameLength + 1 + i]);
    return out;
}

template <typename Text>
Text Numbered(const Text& name, int digits, int number, const Text& ext, bool dot) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", digits, number);
    Text out = name;
    for (const char* p = buffer; *p; ++p) out += static_cast<typename Text::value_type>(*p);
    if (dot) out += static_cast<typename Text::value_type>('.');
    return out + ext;
}

struct Child {
    const DiscEntry* entry;
    std::string iso;
    std::u16string joliet;
};

// How long a numbered name may get in one tree: with an extension, once the extension had to be cut, and
// for folders and names without extension; and whether a number keeps an empty extension's dot.
struct NameLimits {
    int withExtension;
    int afterCut;
    int plain;
    bool keepsEmptyDot;
};
constexpr NameLimits kIsoLimits{kIsoNameMax, kIsoNameMax, kIsoNameMax, true};
constexpr NameLimits kJolietLimits{kJolietNameMax + 1, kJolietNameMax + 2, kJolietNameMax + 1, false};

// Makes the names of one folder unique as libisofs does: every name of a clashing group gets a number of
// as many digits as the group needs, the name shortened to make room. A group that needs more digits
// starts again from its first name as the failed attempt left it, as libisofs does.
template <typename Text>
void Mangle(std::vector<Child>& children, Text Child::*field, const NameLimits& limits) {
    using Char = typename Text::value_type;
    auto less = [&](const Child& a, const Child& b) { return a.*field < b.*field; };
    std::sort(children.begin(), children.end(), less);
    std::set<Text> taken;
    for (const Child& c : children) taken.insert(c.*field);
    bool renamed = false;
    for (std::size_t i = 0; i < children.size();) {
        std::size_t j = i;
        while (j + 1 < children.size() && children[j + 1].*field == children[i].*field) ++j;
        if (j == i) {
            ++i;
            continue;
        }
        for (int digits = 1; digits <= kManglingDigitsMax; ++digits) {
            const Text full = children[i].*field;
            const bool folder = children[i].entry->isFolder;
            std::size_t dot = folder ? Text::npos : full.rfind(static_cast<Char>('.'));
            Text name = dot == Text::npos ? full : full.substr(0, dot);
            Text ext = dot == Text::npos ? Text() : full.substr(dot + 1);
            int max = 0;
            if (dot != Text::npos) {
                int extLength = static_cast<int>(ext.size());
                max = limits.withExtension - extLength - 1 - digits;
                if (max <= 0) {
                    extLength = extLength + max - 1;
                    ext.resize(extLength);
                    max = limits.afterCut - extLength - 1 - digits;
                }
            } else {
                max = limits.plain - digits;
            }
            if (static_cast<int>(name.size()) > max) name.resize(max);
            bool dotted = dot != Text::npos && (limits.keepsEmptyDot || !ext.empty());
            int limit = 1;
            for (int d = 0; d < digits; ++d) limit *= 10;
            int number = 0;
            bool ok = true;
            for (std::size_t k = i; k <= j && ok; ++k) {
                Text candidate;
                do {
                    candidate = Numbered(name, digits, number++, ext, dotted);
                    ok = number <= limit;
                } while (ok && taken.count(candidate));
                if (ok) {
                    taken.erase(children[k].*field);
                    taken.insert(candidate);
                    children[k].*field = candidate;
                    renamed = true;
                }
            }
            if (ok) break;
        }
        i = j + 1;
    }
    if (renamed) std::sort(children.begin(), children.end(), less);
}

std::int64_t Sections(const DiscEntry& e) {
    return e.isFolder || e.bytes == 0 ? 1 : (e.bytes + kExtentBytes - 1) / kExtentBytes;
}

std::int64_t Even(std::int64_t n) { return n + (n & 1); }

// The Rock Ridge bytes inside a record that already holds used bytes, and what goes to the continuation area.
void RockRidge(std::size_t nameBytes, std::int64_t used, std::int64_t& inRecord, std::int64_t& continued) {
    std::int64_t space = kLongestRecord - used;
    std::int64_t su = kRockRidgeFixed;
    continued = 0;
    if (su + 5 + static_cast<std::int64_t>(nameBytes) <= space) {
        inRecord = Even(su + 5 + static_cast<std::int64_t>(nameBytes));
        return;
    }
    su += kContinuationEntry;
    std::int64_t inside = space - su - 5;
    continued = 5 + static_cast<std::int64_t>(nameBytes) - inside;
    inRecord = space;
}

struct Totals {
    std::int64_t metaSectors = 0;  // directories and continuation areas of both trees
    std::int64_t isoPathTable = 0;
    std::int64_t jolietPathTable = 0;
    std::int64_t dataSectors = 0;
};

// Places a record of length bytes in a directory being filled sector by sector.
void Place(std::int64_t& length, std::int64_t record) {
    std::int64_t remaining = kSectorBytes - length % kSectorBytes;
    length += record > remaining ? remaining + record : record;
}

std::int64_t SectorsOf(std::int64_t bytes) { return (bytes + kSectorBytes - 1) / kSectorBytes; }

std::int64_t IsoRecord(const std::string& iso, bool folder) {
    return Even(33 + static_cast<std::int64_t>(iso.size()) + (folder ? 0 : 2));
}
std::int64_t JolietRecord(std::size_t length, bool folder) {
    return Even(33 + 2 * static_cast<std::int64_t>(length) + (folder ? 0 : 4));
}
std::int64_t IsoPathEntry(std::size_t length) { return 8 + Even(static_cast<std::int64_t>(length)); }
std::int64_t JolietPathEntry(std::size_t length) { return 8 + 2 * static_cast<std::int64_t>(length); }

void Layout(const DiscEntry& dir, bool root, Totals& t) {
    std::vector<Child> children;
    children.reserve(dir.children.size());
    for (const DiscEntry& e : dir.children)
        children.push_back({&e, IsoName(e.name, e.isFolder), JolietName(e.name, e.isFolder)});

    // The records of "." and "..": Rock Ridge adds PX, TF and an empty NM; the root's "." also SP and CE, its
    // continuation area holding the ER entry.
    std::int64_t isoLength = root ? 144 + 110 : 110 + 110;
    std::int64_t ceLength = root ? 182 : 0;
    Mangle(children, &Child::iso, kIsoLimits);
    for (const Child& c : children) {
        std::int64_t record = IsoRecord(c.iso, c.entry->isFolder);
        std::int64_t inRecord = 0, continued = 0;
        RockRidge(c.entry->name.size(), record, inRecord, continued);
        for (std::int64_t s = 0; s < Sections(*c.entry); ++s) {
            Place(isoLength, record + inRecord);
            if (continued) Place(ceLength, continued);
        }
        if (c.entry->isFolder) t.isoPathTable += IsoPathEntry(c.iso.size());
    }
    std::int64_t jolietLength = 68;
    Mangle(children, &Child::joliet, kJolietLimits);
    for (const Child& c : children) {
        for (std::int64_t s = 0; s < Sections(*c.entry); ++s)
            Place(jolietLength, JolietRecord(c.joliet.size(), c.entry->isFolder));
        if (c.entry->isFolder) t.jolietPathTable += JolietPathEntry(c.joliet.size());
    }
    t.metaSectors += SectorsOf(isoLength) + SectorsOf(ceLength) + SectorsOf(jolietLength);
    for (const DiscEntry& e : dir.children) {
        if (e.isFolder)
            Layout(e, false, t);
        else
            t.dataSectors += SectorsOf(e.bytes);
    }
}

// At most the bytes records take in a directory, counting the sector ends they may leave unused.
std::int64_t WithSectorEnds(std::int64_t recordBytes) {
    return (recordBytes * kSectorBytes + kSectorFill - 1) / kSectorFill;
}

// The bytes an entry's own records and path table entries take in its parent at most, its name possibly
// made longer by a number against a clash.
std::int64_t OwnRecordBytes(const std::string& name, bool folder, std::int64_t sections) {
    std::string iso = IsoName(name, folder);
    std::size_t isoLength = std::min<std::size_t>(kIsoNameMax, iso.size() + kManglingDigitsMax);
    std::int64_t record = Even(33 + static_cast<std::int64_t>(isoLength) + (folder ? 0 : 2));
    std::int64_t inRecord = 0, continued = 0;
    RockRidge(name.size(), record, inRecord, continued);
    std::size_t jolietLength =
        std::min<std::size_t>(kJolietNameMax + 2, JolietName(name, folder).size() + kManglingDigitsMax);
    std::int64_t bytes =
        sections * WithSectorEnds(record + inRecord + continued + JolietRecord(jolietLength, folder));
    if (folder) bytes += 2 * (IsoPathEntry(isoLength) + JolietPathEntry(jolietLength));
    return bytes;
}

}  // namespace

std::int64_t DiscImageBytes(const DiscEntry& root) {
    Totals t;
    Layout(root, true, t);
    std::int64_t meta = kSystemAndDescriptors + t.metaSectors + 2 * SectorsOf(10 + t.isoPathTable) +
                        2 * SectorsOf(10 + t.jolietPathTable);
    return (std::max(meta + 1, kFirstDataSector) + t.dataSectors) * kSectorBytes;
}

std::int64_t DiscEntryBytes(const DiscEntry& entry) {
    std::int64_t bytes = OwnRecordBytes(entry.name, entry.isFolder, Sections(entry));
    if (!entry.isFolder) return bytes + SectorsOf(entry.bytes) * kSectorBytes;
    Totals t;
    Layout(entry, false, t);
    return bytes + (t.metaSectors + t.dataSectors) * kSectorBytes + 2 * (t.isoPathTable + t.jolietPathTable);
}

std::int64_t DiscParentFolderBytes(const std::string& name) {
    // Its own directories: a sector each in both trees and one of continuation area, beyond what the records
    // of its entries are charged, and its "." and "..".
    return OwnRecordBytes(name, true, 1) + 3 * kSectorBytes + WithSectorEnds(220 + 68);
}

std::int64_t DiscFixedBytes() {
    // The empty image, and for the root directories and the path tables the part of their last sectors the
    // entries' own charges do not cover: the records of "." and ".." and the root's path table entry.
    return kFirstDataSector * kSectorBytes + WithSectorEnds(254 + 182 + 68) + 4 * 10;
}

}  // namespace drovalin
