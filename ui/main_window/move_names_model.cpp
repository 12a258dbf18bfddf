#include "move_names_model.h"

namespace drovalin {

MoveNamesModel::MoveNamesModel(const std::vector<std::string>& names, QObject* parent)
    : QAbstractListModel(parent), names_(names) {}

int MoveNamesModel::rowCount(const QModelIndex& parent) const {
    // A combination holds at most the file table's rows, which are counted in int.
    return parent.isValid() ? 0 : static_cast<int>(names_.size());
}

QVariant MoveNamesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    // Decoded for display only; bytes that are not UTF-8 show as replacement characters.
    const std::string& name = names_[static_cast<std::size_t>(index.row())];
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

}  // namespace drovalin
