#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "moving/combination_mover.h"
#include "moving/folder_split.h"
#include "plan/media_plan.h"
#include "tables/file_table.h"

class QLabel;
class QPushButton;
class QTableView;

namespace drovalin {

class MediaPlanModel;

// The window 「振り分け計画」: a summary line over the table of media. The selected medium can be moved into
// its own new subfolder (medium 3 into w3), every medium can be split into its own subfolder w1, w2, ..., and
// the plan can be saved as CSV. It works on the folder it was given and never touches the main window's
// tables; media it has moved stay in the table, greyed and marked with where they went, and are not offered
// again.
class PlanWindow : public QDialog {
    Q_OBJECT

  public:
    PlanWindow(std::string folder, std::shared_ptr<const FileTable> files, MediaPlan plan,
               QWidget* parent = nullptr);
    ~PlanWindow() override;

    // Replace the boxes, for use without a screen; nullptr restores the boxes. Not owned.
    void SetSplitDialogs(SplitDialogs* dialogs);
    // Receives every move made from this window, for the main window to remember.
    void SetMoveRecorder(std::function<void(MoveRecord)> recorder);

    QLabel* SummaryLine() const;
    QTableView* MediaTable() const;
    MediaPlanModel& Model() const;
    QPushButton* MoveButton() const;
    QPushButton* SplitButton() const;
    QPushButton* SaveButton() const;

    // The selected medium into its own new subfolder, as the split would move it, after a confirmation.
    void MoveSelectedMedium();
    // Every medium not moved yet into its own subfolder (medium 1 into w1, ...), after one confirmation.
    void SplitAll();
    // Asks where to save and saves; a failure is told in a box.
    void Save();
    // Writes the plan as CSV to path (the file system's bytes); empty on success, else why not (UTF-8).
    std::string SaveTo(const std::string& path) const;

    static QString SummaryText(const MediaPlan& plan, const FileTable& files);

  private:
    void UpdateButtons();
    void Remember(MoveRecord record);
    // Splits the given media (rows from 0), each into its numbered subfolder, and marks what moved.
    void Split(const std::vector<int>& media);

    std::string folder_;
    MediaPlanModel* model_;
    QLabel* summary_;
    QTableView* table_;
    QPushButton* move_;
    QPushButton* split_;
    QPushButton* save_;
    std::unique_ptr<SplitDialogs> ownSplitDialogs_;
    SplitDialogs* splitDialogs_;
    std::function<void(MoveRecord)> recorder_;
};

}  // namespace drovalin
