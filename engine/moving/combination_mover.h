#pragma once

#include <string>
#include <vector>

#include "moving/move_record.h"

namespace drovalin {

class CombinationTable;

// The questions and reports of a move. The window answers them with message boxes; tests answer them
// without a screen.
class MoveDialogs {
  public:
    virtual ~MoveDialogs() = default;
    // Shows the names (the file system's bytes, decoded for display only) one per line and asks OK or
    // Cancel; true for OK. summary (UTF-8) stands above the names when not empty.
    virtual bool ConfirmMove(const std::vector<std::string>& names, const std::string& summary) = 0;
    // The fixed failure report of a move that did not go through.
    virtual void ReportMoveFailure() = 0;
    // The subfolder "w" could not be looked up or created; detail is the system's error text (UTF-8).
    virtual void ReportSubfolderFailure(const std::string& detail) = 0;
};

enum class MoveOutcome {
    Cancelled,        // nothing changed
    Moved,            // every file is in "w"
    MoveFailed,       // stopped at a file; the files before it are in "w"
    SubfolderFailed,  // "w" missing and not creatable; nothing moved
};

struct MoveOptions {
    std::string subfolder = "w";   // a single entry of the folder
    std::string summary;           // shown above the names in the confirmation, UTF-8
    MoveRecord* record = nullptr;  // when given, receives what the move did
};

// Asks for confirmation, makes sure the subfolder (by default "w") of folder exists, then moves the named
// items (the file system's bytes; see MoveItem) into it one by one in order, never replacing an existing
// entry, and stops at the first failure.
MoveOutcome MoveCombination(const std::string& folder, const std::vector<std::string>& names,
                            MoveDialogs& dialogs, const MoveOptions& options = {});

// The files a click on a row of the combination table offers to move: whichever cell of a data row was
// clicked, that row's own files; the header row and rows outside the table offer none.
std::vector<std::string> FilesOfClickedRow(const CombinationTable& table, int row);

}  // namespace drovalin
