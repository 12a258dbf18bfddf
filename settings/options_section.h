#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "settings_files.h"

namespace drovalin {

// The section [OPTIONS] of the folder settings file, which every remembered choice besides the folder
// shares, one key each. A key is there only while its choice differs from the default, and the section
// only while it holds a key, so a file of a user who never changes a choice keeps its bytes; [DIR] is never
// touched.

// The key's value, or nothing (the default) when the file, the section or the key is missing.
std::optional<std::string> ReadOption(std::string_view key);

// Sets the key to value, or removes it when value is nothing (back at the default), and the section with
// its last key. The file is written only when its bytes change.
SettingsWriteResult WriteOption(std::string_view key, const std::optional<std::string>& value);

}  // namespace drovalin
