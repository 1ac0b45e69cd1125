// RowBandDelegate: paints a grid's cells as Qt does, then two marks the selection colour would
// otherwise cover: a data row's own colour (the ledger's RowColor, an expiry mark) as a darker
// band at the start of the row, selected or not, and, where the cursor moves apart from the
// selection, a frame around the cursor row, so that the clerk sees where the cursor is among the
// chosen rows.
//
// Borrows the model; the user-interface thread only.
#pragma once

#include <QStyledItemDelegate>

namespace qmz {

class Ledger;
class LedgerModel;

class RowBandDelegate : public QStyledItemDelegate {
 public:
  RowBandDelegate(const Ledger& grid, QObject* parent);
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 private:
  const Ledger& grid_;
};

}  // namespace qmz
