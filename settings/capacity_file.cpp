#include "settings_file.h"
#include "settings_files.h"
#include "stored_text.h"
#include "tables/whole_number.h"

namespace drovalin {

std::int32_t ReadCapacityFile() {
    const SettingsFile file(QStringLiteral("././Drovalin.txt"), QString());
    const std::optional<std::string> text = FromStoredText(file.FirstLine());
    if (!text) return 0;
    return ParseWholeNumber(*text).value_or(0);
}

SettingsWriteResult WriteCapacityFile(const std::string& text) {
    const SettingsFile file(QStringLiteral("Drovalin.txt"), QStringLiteral("容量のファイル"));
    return file.Save(ToStoredText(text) + "\r\n");
}

}  // namespace drovalin
