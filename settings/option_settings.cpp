#include "option_settings.h"
#include "ini_text.h"
#include "settings_file.h"

namespace drovalin {
namespace {

constexpr std::string_view kSection = "OPTIONS";

SettingsFile OptionsFile() {
    return SettingsFile(QStringLiteral("././Drovalin_ZELTA.ini"), QStringLiteral("フォルダーの設定ファイル"));
}

}  // namespace

std::optional<std::string> ReadOptionSetting(std::string_view key) {
    const std::optional<std::string> bytes = OptionsFile().Load();
    if (!bytes) return std::nullopt;
    return IniText(*bytes).Value(kSection, key);
}

SettingsWriteResult WriteOptionSetting(std::string_view key, const std::optional<std::string>& value) {
    const SettingsFile file = OptionsFile();
    const std::optional<std::string> old_bytes = file.Load();
    if (!old_bytes) return file.Failure(QStringLiteral("既存のファイルを読み取れません"));
    IniText ini(*old_bytes);
    ini.SetValue(kSection, key, value);
    if (!value) ini.RemoveSectionIfEmpty(kSection);
    const std::string new_bytes = ini.Bytes();
    if (new_bytes == *old_bytes) return {};
    return file.Save(new_bytes);
}

bool ReadDiscSizeSetting() { return ReadOptionSetting("DISCSIZE") == std::optional<std::string>("1"); }

SettingsWriteResult WriteDiscSizeSetting(bool on) {
    return WriteOptionSetting("DISCSIZE", on ? std::optional<std::string>("1") : std::nullopt);
}

}  // namespace drovalin
