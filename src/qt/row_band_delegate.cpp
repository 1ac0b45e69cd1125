#include "qt/row_band_delegate.h"

#include <QAbstractItemView>
#include <QPainter>

#include "platform/ui/ledger.h"

namespace qmz {

namespace {

constexpr int kBandPixels = 6;
constexpr int kFramePixels = 2;

}  // namespace

RowBandDelegate::RowBandDelegate(const Ledger& grid, QObject* parent)
    : QStyledItemDelegate(parent), grid_(grid) {}

void RowBandDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
  const QRect cell = option.rect;
  const QVariant color = index.column() == 0 ? index.data(Qt::BackgroundRole) : QVariant();
  if (color.canConvert<QColor>()) {
    // The band first, the cell beside it, so that the band hides no text.
    painter->fillRect(QRect(cell.left(), cell.top(), kBandPixels, cell.height()),
                      color.value<QColor>().darker(130));
    QStyleOptionViewItem beside = option;
    beside.rect.setLeft(cell.left() + kBandPixels);
    QStyledItemDelegate::paint(painter, beside, index);
  } else {
    QStyledItemDelegate::paint(painter, option, index);
  }
  const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
  if (!view || !grid_.CursorApart() || view->currentIndex().row() != index.row()) return;
  const int last = index.model()->columnCount() - 1;
  painter->save();
  const QColor ink = option.palette.color(QPalette::Text);
  painter->fillRect(QRect(cell.left(), cell.top(), cell.width(), kFramePixels), ink);
  painter->fillRect(
      QRect(cell.left(), cell.bottom() - kFramePixels + 1, cell.width(), kFramePixels), ink);
  if (index.column() == 0)
    painter->fillRect(QRect(cell.left(), cell.top(), kFramePixels, cell.height()), ink);
  if (index.column() == last) {
    painter->fillRect(
        QRect(cell.right() - kFramePixels + 1, cell.top(), kFramePixels, cell.height()), ink);
  }
  painter->restore();
}

}  // namespace qmz
