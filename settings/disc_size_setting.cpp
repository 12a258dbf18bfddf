#include "disc_size_setting.h"

#include "options_section.h"

namespace drovalin {

bool ReadDiscSizeSetting() { return ReadOption("DISCSIZE") == std::optional<std::string>("1"); }

SettingsWriteResult WriteDiscSizeSetting(bool on) {
    return WriteOption("DISCSIZE", on ? std::optional<std::string>("1") : std::nullopt);
}

}  // namespace drovalin
