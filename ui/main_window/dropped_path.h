#pragma once

#include <optional>
#include <string>

class QMimeData;

namespace drovalin {

// The first local path a drag carries, as the file system's bytes, or nothing when it carries none. The path
// comes from the URL's encoded form, so bytes that are not UTF-8 survive.
std::optional<std::string> FirstLocalPath(const QMimeData* mime);

}  // namespace drovalin
