#pragma once

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

  private:
    QWidget* parent_;
};
