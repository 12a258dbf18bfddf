#pragma once

#include <string>

namespace drovalin::bench {

// Makes a folder of about 2 GiB under base (files of mixed sizes, thousands of a few bytes, Japanese
// names), plans it with the disc count at CD-R capacity, writes the images, writes the same media with
// xorriso, removes every image and prints one line of figures. Returns the exit status.
int RunIsoBench(const std::string& base);

}  // namespace drovalin::bench
