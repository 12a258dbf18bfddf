#pragma once

#include <string>

namespace drovalin {

bool IsValidUtf8(const std::string& bytes);

// A name that is not valid UTF-8 as Joliet shows it: each byte outside valid UTF-8 becomes %HH (two
// upper-case hex digits), everything else stays.
std::string JolietEscapedName(const std::string& name);

}  // namespace drovalin
