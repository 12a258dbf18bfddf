#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <memory>

#include "tables/combination_table.h"

namespace drovalin {

// Shows the engine's combination table in a view. Cell texts are made only when the view asks for them, so a
// table of a million rows costs no more to show than the rows on screen.
class CombinationTableModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    // A names cell never joins more names than this: each name takes at least one glyph and a comma, more
    // than the widest names column can show.
    static constexpr std::int64_t kNamesShown = 400;
    // The tooltip of a names cell lists this many names and counts the rest.
    static constexpr int kTooltipNames = 40;

    explicit CombinationTableModel(QObject* parent = nullptr);

    void SetTable(std::shared_ptr<const CombinationTable> table);
    const CombinationTable& Table() const;

    // Engine row (1 is the first combination) of a model index.
    static int EngineRow(const QModelIndex& index);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // How many names cells were made since the last reset, and the lowest model row among them; this is
    // how the cost of showing a large table is watched.
    std::int64_t NamesCellsMade() const;
    int LowestNamesRowMade() const;
    void ResetNamesCellCount();

  private:
    QString NamesCell(int engineRow) const;
    QString NamesTooltip(int engineRow) const;

    std::shared_ptr<const CombinationTable> table_;
    mutable std::int64_t namesCellsMade_ = 0;
    mutable int lowestNamesRow_ = -1;
};

}  // namespace drovalin
