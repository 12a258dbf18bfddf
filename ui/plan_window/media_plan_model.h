#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "plan/media_plan.h"
#include "tables/file_table.h"

namespace drovalin {

// Shows a media plan, one row per medium: number, total, file count, free space and the comma-joined names.
// A medium that has been moved keeps its row, greyed, with where it went beside its number.
class MediaPlanModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column { kNumberCol, kTotalCol, kCountCol, kFreeCol, kNamesCol, kColumns };
    // A names cell joins at most this many names; the tooltip lists kTooltipNames and counts the rest.
    static constexpr int kNamesShown = 400;
    static constexpr int kTooltipNames = 40;

    MediaPlanModel(std::shared_ptr<const FileTable> files, MediaPlan plan, QObject* parent = nullptr);

    const MediaPlan& Plan() const;
    const FileTable& Files() const;
    // The file names of a medium (row from 0), the file system's bytes, largest first.
    std::vector<std::string> Names(int medium) const;

    // Notes that a medium's files went into subfolder: all of them, or only the first ones when whole is
    // false.
    void MarkMoved(int medium, const std::string& subfolder, bool whole);
    bool IsMoved(int medium) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  private:
    QString NamesCell(int medium) const;
    QString NamesTooltip(int medium) const;

    std::shared_ptr<const FileTable> files_;
    MediaPlan plan_;
    std::vector<QString> moved_;  // per medium: where it went, empty while it has not moved
};

}  // namespace drovalin
