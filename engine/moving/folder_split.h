#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "moving/combination_mover.h"

namespace drovalin {

// One medium of a split: the new subfolder it goes into and its file names (the file system's bytes). bytes,
// when given, holds each file's size as listed, and the split first makes sure the folder still holds them
// so.
struct SplitMedium {
    std::string subfolder;
    std::vector<std::string> names;
    std::vector<std::int64_t> bytes = {};
};

// The questions and reports of a split. The window answers them with message boxes; tests answer them
// without a screen.
class SplitDialogs {
  public:
    virtual ~SplitDialogs() = default;
    // Shows every medium with its subfolder and names and asks OK or Cancel once for all; true for OK.
    virtual bool ConfirmSplit(const std::vector<SplitMedium>& media) = 0;
    // These listed files are gone or have changed since the listing, so nothing was moved.
    virtual void ReportChangedFiles(const std::vector<std::string>& names) = 0;
    // An entry of that name is already in the folder, so nothing was moved.
    virtual void ReportExistingSubfolder(const std::string& subfolder) = 0;
    // The folder could not be read or the subfolder not made; detail is the system's error text (UTF-8).
    virtual void ReportSubfolderFailure(const std::string& subfolder, const std::string& detail) = 0;
    // The same fixed report as a move that did not go through, with the file it stopped at and the
    // system's reason (UTF-8).
    virtual void ReportMoveFailure(const std::string& name, const std::string& reason) = 0;
};

enum class SplitOutcome {
    Cancelled,        // nothing changed
    FilesChanged,     // files are not as listed; nothing changed
    SubfolderExists,  // a subfolder's name was taken; nothing moved unless it was taken while moving
    SubfolderFailed,  // a subfolder could not be made; the media before it were moved
    MoveFailed,       // stopped at a file; every file before it was moved
    Moved,            // every medium is in its own subfolder
};

// The subfolder of a plan's medium: w1 for the first, w2 for the second, ...
std::string SplitSubfolderName(std::size_t medium);

// Moves each medium's names into its own new subfolder of folder. When files are not as listed, or any of
// those subfolders' names is taken by an entry of the folder, says so and moves nothing. Otherwise asks once,
// then makes each subfolder and moves its files into it with the same no-replace move as a combination,
// stopping at the first failure; what moved stays moved, and a subfolder made for the failing medium is
// removed again while empty. record, when given, receives what was made and moved.
SplitOutcome SplitIntoSubfolders(const std::string& folder, const std::vector<SplitMedium>& media,
                                 SplitDialogs& dialogs, MoveRecord* record = nullptr);

}  // namespace drovalin
