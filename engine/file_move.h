#pragma once

#include <string>

namespace drovalin {

// A name must stay a single entry of its folder, or the paths built from it would reach elsewhere.
bool IsPlainName(const std::string& name);

// Renames from to to, which must not exist yet: an existing file is never replaced. Sets errno on failure.
bool MoveWithoutReplacing(const std::string& from, const std::string& to);

}  // namespace drovalin
