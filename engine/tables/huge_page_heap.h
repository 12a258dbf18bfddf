#pragma once

namespace drovalin {

// Starts the program again, once, with the C library's heap backed by huge pages where the system allows
// them. A million-file table touches hundreds of megabytes, and on virtual machines each small page costs a
// trap; huge pages make filling and sorting the tables several times faster. Call first thing in main, before
// any thread starts. Returns only when no restart is needed or the restart failed (the program then runs as
// it is).
void RestartWithHugePageHeap(char** argv);

}  // namespace drovalin
