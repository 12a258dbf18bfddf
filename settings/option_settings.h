#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "settings_files.h"

namespace drovalin {

// Options live in the section [OPTIONS] of "Drovalin_ZELTA.ini", one key each, written only while they differ
// from their defaults: a key set to nothing is removed, and the section with its last key, so with every
// option at its default the file is exactly as it would be without them.
std::optional<std::string> ReadOptionSetting(std::string_view key);
SettingsWriteResult WriteOptionSetting(std::string_view key, const std::optional<std::string>& value);

// Counting sizes as a disc image takes them (DISCSIZE=1); off by default.
bool ReadDiscSizeSetting();
SettingsWriteResult WriteDiscSizeSetting(bool on);

}  // namespace drovalin
