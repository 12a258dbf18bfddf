#pragma once

#include "listing/item_unit.h"
#include "settings_files.h"

namespace drovalin {

// The item unit remembered as key UNIT of [OPTIONS] (1, 2 or 3); the folder's own files when it is
// missing or not one of those.
ItemUnit ReadItemUnitSetting();
// Remembers the unit; the folder's own files, the default, removes the key.
SettingsWriteResult WriteItemUnitSetting(ItemUnit unit);

}  // namespace drovalin
