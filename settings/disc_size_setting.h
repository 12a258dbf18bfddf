#pragma once

#include "settings_files.h"

namespace drovalin {

// Counting sizes as a disc image takes them, remembered as DISCSIZE=1 in [OPTIONS]; off by default, and then
// the key is not written.
bool ReadDiscSizeSetting();
SettingsWriteResult WriteDiscSizeSetting(bool on);

}  // namespace drovalin
