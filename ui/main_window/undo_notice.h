#pragma once

#include "drop_notices.h"
#include "moving/move_undo.h"

namespace drovalin {

// Names the files an undo could not put back and the subfolders it had to keep. A long list is cut after
// kLeftOutNamesShown entries and the rest counted.
Notice UndoNotice(const UndoResult& result);

}  // namespace drovalin
