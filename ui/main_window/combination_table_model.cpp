#include "combination_table_model.h"

#include <QStringList>
#include <algorithm>
#include <utility>

namespace drovalin {

namespace {

// Names are the file system's bytes; they are decoded for display only.
QString DisplayName(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

}  // namespace

CombinationTableModel::CombinationTableModel(QObject* parent)
    : QAbstractTableModel(parent),
      table_(std::make_shared<CombinationTable>(std::make_shared<FileTable>())) {}

void CombinationTableModel::SetTable(std::shared_ptr<const CombinationTable> table) {
    beginResetModel();
    table_ = std::move(table);
    endResetModel();
}

const CombinationTable& CombinationTableModel::Table() const { return *table_; }

int CombinationTableModel::EngineRow(const QModelIndex& index) { return index.row() + 1; }

int CombinationTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : table_->Rows() - 1;
}

int CombinationTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : table_->Cols();
}

QVariant CombinationTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const int row = EngineRow(index);
    const int col = index.column();
    switch (role) {
        case Qt::DisplayRole:
            switch (col) {
                case CombinationTable::kTotalCol:
                    return QString::number(table_->Total(row));
                case CombinationTable::kCountCol:
                    return QString::number(table_->Count(row));
                case CombinationTable::kFreeCol:
                    return QString::number(table_->Free(row));
                case CombinationTable::kNamesCol:
                    return NamesCell(row);
            }
            return {};
        case Qt::ToolTipRole:
            return col == CombinationTable::kNamesCol ? QVariant(NamesTooltip(row)) : QVariant();
        case Qt::TextAlignmentRole:
            // Numbers right, text left, as a grid aligns them by default.
            return col == CombinationTable::kNamesCol ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                                      : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant CombinationTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    const auto& texts = CombinationTable::HeaderTexts();
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= static_cast<int>(texts.size())) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return QString::fromStdString(texts[static_cast<std::size_t>(section)]);
}

std::int64_t CombinationTableModel::NamesCellsMade() const { return namesCellsMade_; }

int CombinationTableModel::LowestNamesRowMade() const { return lowestNamesRow_; }

void CombinationTableModel::ResetNamesCellCount() {
    namesCellsMade_ = 0;
    lowestNamesRow_ = -1;
}

QString CombinationTableModel::NamesCell(int engineRow) const {
    ++namesCellsMade_;
    const int modelRow = engineRow - 1;
    if (lowestNamesRow_ < 0 || modelRow < lowestNamesRow_) lowestNamesRow_ = modelRow;
    QString text = DisplayName(table_->Names(engineRow, kNamesShown));
    // Say that names were left out rather than let the cell look complete.
    if (table_->Count(engineRow) > kNamesShown) text += QStringLiteral(",…");
    return text;
}

QString CombinationTableModel::NamesTooltip(int engineRow) const {
    const std::vector<int> rows = table_->FileRows(engineRow);
    const FileTable& files = table_->Files();
    QStringList lines;
    const std::size_t shown = std::min(rows.size(), static_cast<std::size_t>(kTooltipNames));
    for (std::size_t i = 0; i < shown; ++i) lines << DisplayName(files.Name(rows[i])).toHtmlEscaped();
    if (rows.size() > shown) lines << QStringLiteral("…ほか %1 件").arg(rows.size() - shown);
    // Rich text on purpose: a name that looks like markup must show as typed, one name per line.
    return QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(lines.join(QStringLiteral("<br>")));
}

}  // namespace drovalin
