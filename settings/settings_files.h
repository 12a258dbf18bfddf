#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace drovalin {

// Outcome of writing a settings file; error is a Japanese sentence for the user when !ok.
struct SettingsWriteResult {
    bool ok = true;
    std::string error;
};

// The remembered folder (the file system's bytes) from "Drovalin_ZELTA.ini" in the current directory,
// or nothing when no folder is remembered. Never fails.
std::optional<std::string> ReadFolderSetting();

// Remembers the folder; with no folder the key is removed. Other contents of the file are kept.
SettingsWriteResult WriteFolderSetting(const std::optional<std::string>& folder);

// The capacity from the first line of "Drovalin.txt" in the current directory; 0 on any failure.
std::int32_t ReadCapacityFile();

// Writes the capacity box's text (UTF-8) unchanged, followed by CR LF.
SettingsWriteResult WriteCapacityFile(const std::string& text);

}  // namespace drovalin
