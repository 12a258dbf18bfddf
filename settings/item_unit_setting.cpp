#include "item_unit_setting.h"

#include <optional>
#include <string>

#include "options_section.h"
#include "tables/whole_number.h"

namespace drovalin {
namespace {

constexpr std::string_view kKey = "UNIT";

}  // namespace

ItemUnit ReadItemUnitSetting() {
    const std::optional<std::string> text = ReadOption(kKey);
    if (!text) return ItemUnit::kFolderFiles;
    const std::optional<std::int32_t> number = ParseWholeNumber(*text);
    if (!number) return ItemUnit::kFolderFiles;
    return ItemUnitFromNumber(*number).value_or(ItemUnit::kFolderFiles);
}

SettingsWriteResult WriteItemUnitSetting(ItemUnit unit) {
    if (unit == ItemUnit::kFolderFiles) return WriteOption(kKey, std::nullopt);
    return WriteOption(kKey, std::to_string(ItemUnitNumber(unit)));
}

}  // namespace drovalin
