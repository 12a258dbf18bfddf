#pragma once

#include <QString>

#include "listing/rebuild_control.h"

namespace drovalin {

// What a rebuild is doing, as the user reads it, and how far it has come on a bar of 0 to Maximum().
struct RebuildProgressText {
    QString text;
    int value = 0;
    int maximum = 0;  // 0: no measure of how far (the bar just shows that work goes on)

    static RebuildProgressText From(const RebuildProgress& progress);
    static RebuildProgressText Cancelling();
};

}  // namespace drovalin
