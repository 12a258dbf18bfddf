#include "plan/media_presets.h"

#include <array>

namespace drovalin {

namespace {

constexpr std::array kPresets{
    MediaPreset{"CD-R（80分）", 737'280'000},        MediaPreset{"DVD±R（4.7GB）", 4'700'372'992},
    MediaPreset{"DVD±R DL（8.5GB）", 8'543'666'176}, MediaPreset{"BD-R（25GB）", 25'025'314'816},
    MediaPreset{"BD-R DL（50GB）", 50'050'629'632},
};

}  // namespace

std::int32_t PresetKilobytes(std::int64_t userDataBytes) {
    // Whole bytes times the kept share stay far inside 64 bits for any disc; one division rounds down once.
    const std::int64_t kept = userDataBytes * (100 - kFileSystemReservePercent);
    return static_cast<std::int32_t>(kept / (100 * 1024));
}

std::span<const MediaPreset> MediaPresets() { return kPresets; }

}  // namespace drovalin
