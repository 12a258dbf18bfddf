#pragma once

#include <string>

namespace drovalin {

// Why a file or folder could not be read, made or moved, in Japanese for the usual causes (errno values),
// with the system's own text alongside.
std::string FileErrorReason(int error);

}  // namespace drovalin
