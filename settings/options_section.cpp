#include "options_section.h"

#include "ini_text.h"
#include "settings_file.h"

namespace drovalin {
namespace {

constexpr std::string_view kSection = "OPTIONS";

SettingsFile FolderFile() {
    return SettingsFile(QStringLiteral("././Drovalin_ZELTA.ini"), QStringLiteral("フォルダーの設定ファイル"));
}

}  // namespace

std::optional<std::string> ReadOption(std::string_view key) {
    const std::optional<std::string> bytes = FolderFile().Load();
    if (!bytes) return std::nullopt;
    return IniText(*bytes).Value(kSection, key);
}

SettingsWriteResult WriteOption(std::string_view key, const std::optional<std::string>& value) {
    const SettingsFile file = FolderFile();
    // An unreadable file is not replaced: that would lose its other contents.
    const std::optional<std::string> oldBytes = file.Load();
    if (!oldBytes) return file.Failure(QStringLiteral("既存のファイルを読み取れません"));
    IniText ini(*oldBytes);
    ini.SetValue(kSection, key, value);
    if (!value) ini.RemoveSectionIfEmpty(kSection);
    const std::string newBytes = ini.Bytes();
    if (newBytes == *oldBytes) return {};
    return file.Save(newBytes);
}

}  // namespace drovalin
