#pragma once

#include <string>
#include <vector>

#include "message_box_move_dialogs.h"
#include "moving/folder_split.h"

class QWidget;

// The split's questions and reports as modal Japanese boxes. The confirmation and the failure of a file
// are the move's own boxes, so a split asks and fails as a move does.
class MessageBoxSplitDialogs : public drovalin::SplitDialogs {
  public:
    explicit MessageBoxSplitDialogs(QWidget* parent);

    bool ConfirmSplit(const std::vector<drovalin::SplitMedium>& media) override;
    void ReportChangedFiles(const std::vector<std::string>& names) override;
    void ReportExistingSubfolder(const std::string& subfolder) override;
    void ReportSubfolderFailure(const std::string& subfolder, const std::string& detail) override;
    void ReportMoveFailure(const std::string& name, const std::string& reason) override;

    // The lines the confirmation lists: per medium a heading with its subfolder, count and (when its sizes
    // are given) kilobytes, then its names indented.
    static std::vector<std::string> ConfirmationLines(const std::vector<drovalin::SplitMedium>& media);
    static std::string ConfirmationSummary(const std::vector<drovalin::SplitMedium>& media);

  private:
    QWidget* parent_;
    MessageBoxMoveDialogs moveDialogs_;
};
