#pragma once

#include <QAbstractListModel>
#include <string>
#include <vector>

namespace drovalin {

// The names a move is about to move, one row each, for the confirmation's list. The names stay where they
// are: a row's text is decoded only when a view or assistive technology asks for it, so a million names
// cost no more to show than the rows on screen.
class MoveNamesModel : public QAbstractListModel {
    Q_OBJECT

  public:
    // names: the file system's bytes; they must outlive the model.
    explicit MoveNamesModel(const std::vector<std::string>& names, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  private:
    const std::vector<std::string>& names_;
};

}  // namespace drovalin
