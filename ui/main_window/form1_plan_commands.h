#pragma once

#include <QObject>
#include <string>

#include "search/best_combination.h"

class QAction;

namespace drovalin {

class Form1;

// The main window's commands for the whole folder: 「最適な組み合わせを移動…」 (Ctrl+B) moves the best
// combination over every set of files as a click on a row would, and 「全体の振り分け計画…」 (Ctrl+P) opens
// the plan window. Both use the folder and the capacity of the last rebuild, as the table does, and are off
// while there is no folder or no combination.
class PlanCommands : public QObject {
    Q_OBJECT

  public:
    explicit PlanCommands(Form1& form);

    QAction* BestCombinationAction() const;
    QAction* PlanAction() const;

    void MoveBestCombination();
    void OpenPlan();

    // The line above the names in the confirmation of the best combination.
    static std::string BestSummary(const BestCombinationResult& best, std::int32_t capacity);

  private:
    bool Available() const;
    void UpdateEnabled();

    Form1& form_;
    QAction* best_;
    QAction* plan_;
};

}  // namespace drovalin
