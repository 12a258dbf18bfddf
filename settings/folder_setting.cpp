#include "ini_text.h"
#include "settings_file.h"
#include "settings_files.h"
#include "stored_text.h"

namespace drovalin {
namespace {

constexpr std::string_view kSection = "DIR";
constexpr std::string_view kKey = "PATH";

SettingsFile FolderFile() {
    return SettingsFile(QStringLiteral("././Drovalin_ZELTA.ini"), QStringLiteral("フォルダーの設定ファイル"));
}

}  // namespace

std::optional<std::string> ReadFolderSetting() {
    const std::optional<std::string> bytes = FolderFile().Load();
    if (!bytes) return std::nullopt;
    const std::optional<std::string> value = IniText(*bytes).Value(kSection, kKey);
    if (!value || value->empty()) return std::nullopt;
    // A value that is neither code page 932 nor our native form names no folder we could find.
    std::optional<std::string> folder = FromStoredText(*value);
    if (!folder || folder->empty()) return std::nullopt;
    return folder;
}

SettingsWriteResult WriteFolderSetting(const std::optional<std::string>& folder) {
    const SettingsFile file = FolderFile();
    // One line holds the value, so a name with a line break cannot be stored.
    if (folder && folder->find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
        return file.Failure(QStringLiteral("フォルダー名に改行が含まれています"));

    // An unreadable file is not replaced: that would lose its other contents.
    const std::optional<std::string> old_bytes = file.Load();
    if (!old_bytes) return file.Failure(QStringLiteral("既存のファイルを読み取れません"));

    IniText ini(*old_bytes);
    ini.SetValue(kSection, kKey, folder ? std::optional<std::string>(ToStoredText(*folder)) : std::nullopt);
    const std::string new_bytes = ini.Bytes();
    if (new_bytes == *old_bytes) return {};
    return file.Save(new_bytes);
}

}  // namespace drovalin
