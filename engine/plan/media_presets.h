#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace drovalin {

// A common recordable medium and the bytes its user data area holds.
struct MediaPreset {
    std::string_view name;  // UTF-8, as the menu shows it
    std::int64_t userDataBytes;
};

// Part of a disc goes to its file system (ISO 9660 / Joliet or UDF directory records, the last sector of each
// file filled up): this share of the user data area is kept free.
inline constexpr int kFileSystemReservePercent = 1;

// The capacity to type for a medium: the user data area less the reserve, in kilobytes, rounded down.
std::int32_t PresetKilobytes(std::int64_t userDataBytes);

// The media the capacity box offers, smallest first.
std::span<const MediaPreset> MediaPresets();

}  // namespace drovalin
