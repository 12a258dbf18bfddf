#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "moving/folder_check.h"

// Texts about what a move would add to and what it could no longer find.
namespace drovalin {

// What the subfolder already holds and the total once adding bytes have joined it, with a warning when that
// total is no longer below capacity × 1024 bytes; empty when the subfolder holds no file. UTF-8.
std::string HeldFilesSummary(const std::string& subfolder, const HeldFiles& held, std::int64_t addingBytes,
                             std::int32_t capacity);

inline constexpr int kChangedNamesShown = 40;

// Files gone or changed since the listing, so that nothing was moved; a long list is cut after
// kChangedNamesShown names and the rest counted.
QString ChangedFilesTitle();
QString ChangedFilesText(const std::vector<std::string>& names);

}  // namespace drovalin
