#pragma once

#include <QString>
#include <string>
#include <vector>

#include "moving/combination_mover.h"

class QWidget;

// The move's questions and reports as modal Japanese message boxes over the main window.
class MessageBoxMoveDialogs : public drovalin::MoveDialogs {
  public:
    explicit MessageBoxMoveDialogs(QWidget* parent);

    bool ConfirmMove(const std::vector<std::string>& names, const std::string& summary) override;
    void ReportMoveFailure() override;
    void ReportSubfolderFailure(const std::string& detail) override;
    // The fixed report followed by the file the move stopped at and the system's reason.
    void ReportMoveFailureAt(const std::string& name, const std::string& reason);

    static QString MoveFailureText();

  private:
    QWidget* parent_;
};
