#pragma once

#include <string>

namespace drovalin {

// Why a file or folder could not be read, made or moved, in Japanese for the usual causes (errno values),
// with the system's own text alongside.
std::string FileErrorReason(int error);
// The same for a file that could not be moved, where a missing or existing name means the file itself.
std::string FileMoveErrorReason(int error);

}  // namespace drovalin
