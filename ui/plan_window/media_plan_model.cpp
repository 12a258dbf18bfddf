#include "media_plan_model.h"

#include <QBrush>
#include <QGuiApplication>
#include <QPalette>
#include <QStringList>
#include <algorithm>

namespace drovalin {
namespace {

QString Decoded(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

MediaPlanModel::MediaPlanModel(std::shared_ptr<const FileTable> files, MediaPlan plan, QObject* parent)
    : QAbstractTableModel(parent),
      files_(std::move(files)),
      plan_(std::move(plan)),
      moved_(plan_.media.size()) {}

const MediaPlan& MediaPlanModel::Plan() const { return plan_; }

const FileTable& MediaPlanModel::Files() const { return *files_; }

std::vector<std::string> MediaPlanModel::Names(int medium) const {
    std::vector<std::string> names;
    const auto& rows = plan_.media.at(static_cast<std::size_t>(medium)).rows;
    names.reserve(rows.size());
    for (const int row : rows) names.push_back(files_->Name(row));
    return names;
}

void MediaPlanModel::MarkMoved(int medium, const std::string& subfolder, bool whole) {
    const QString where = Decoded(subfolder);
    moved_.at(static_cast<std::size_t>(medium)) =
        whole ? QStringLiteral("%1 に移動済み").arg(where) : QStringLiteral("一部を %1 に移動").arg(where);
    emit dataChanged(index(medium, 0), index(medium, kColumns - 1));
}

bool MediaPlanModel::IsMoved(int medium) const {
    return !moved_.at(static_cast<std::size_t>(medium)).isEmpty();
}

int MediaPlanModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(plan_.media.size());
}

int MediaPlanModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant MediaPlanModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const int medium = index.row();
    const PlannedMedium& planned = plan_.media[static_cast<std::size_t>(medium)];
    const QString& moved = moved_[static_cast<std::size_t>(medium)];
    switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
                case kNumberCol:
                    return moved.isEmpty() ? QString::number(medium + 1)
                                           : QStringLiteral("%1（%2）").arg(medium + 1).arg(moved);
                case kTotalCol:
                    return QString::number(planned.total);
                case kCountCol:
                    return QString::number(planned.rows.size());
                case kFreeCol:
                    return QString::number(plan_.capacity - planned.total);
                case kFillCol:
                    return QStringLiteral("%1 %").arg(Fill(medium) / 10.0, 0, 'f', 1);
                case kNamesCol:
                    return NamesCell(medium);
            }
            return {};
        case kFillRole:
            return Fill(medium);
        case Qt::ToolTipRole:
            if (index.column() == kNamesCol) return NamesTooltip(medium);
            return moved.isEmpty() ? QVariant() : QVariant(moved);
        case Qt::ForegroundRole:
            if (moved.isEmpty()) return {};
            return QBrush(QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text));
        case Qt::TextAlignmentRole:
            return index.column() == kNamesCol || index.column() == kNumberCol
                       ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                       : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant MediaPlanModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const QStringList texts{QStringLiteral("番号"),       QStringLiteral("合計サイズ"),
                                   QStringLiteral("ファイル数"), QStringLiteral("空き容量"),
                                   QStringLiteral("使用率"),     QStringLiteral("ファイル名")};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= texts.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    return texts[section];
}

int MediaPlanModel::Fill(int medium) const {
    if (plan_.capacity <= 0) return 0;
    const std::int64_t total = plan_.media[static_cast<std::size_t>(medium)].total;
    return static_cast<int>(std::clamp<std::int64_t>(total * 1000 / plan_.capacity, 0, 1000));
}

QString MediaPlanModel::NamesCell(int medium) const {
    const auto& rows = plan_.media[static_cast<std::size_t>(medium)].rows;
    QStringList names;
    for (std::size_t i = 0; i < rows.size() && i < static_cast<std::size_t>(kNamesShown); ++i)
        names << Decoded(files_->Name(rows[i]));
    return names.join(QLatin1Char(','));
}

QString MediaPlanModel::NamesTooltip(int medium) const {
    const auto& rows = plan_.media[static_cast<std::size_t>(medium)].rows;
    QStringList lines;
    for (std::size_t i = 0; i < rows.size() && i < static_cast<std::size_t>(kTooltipNames); ++i)
        lines << Decoded(files_->Name(rows[i]));
    if (rows.size() > static_cast<std::size_t>(kTooltipNames))
        lines << QStringLiteral("ほか %1 個").arg(rows.size() - static_cast<std::size_t>(kTooltipNames));
    return lines.join(QLatin1Char('\n'));
}

}  // namespace drovalin
