#pragma once

namespace drovalin {

// Unloads every loaded window, the last loaded first, and so ends the program. Unloading a window closes it;
// a window carrying Qt::WA_DeleteOnClose is then destroyed. A window already closing (the main window calling
// this from its close handler) simply finishes closing.
void UnloadAllForms();

}  // namespace drovalin
