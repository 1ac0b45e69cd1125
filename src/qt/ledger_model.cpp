#include "qt/ledger_model.h"

#include <algorithm>

#include <QColor>

#include "platform/ui/ledger.h"

namespace qmz {

LedgerModel::LedgerModel(Ledger& grid, std::function<void(std::exception_ptr)> on_error,
                         QObject* parent)
    : QAbstractTableModel(parent), grid_(grid), on_error_(std::move(on_error)) {}

int LedgerModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : grid_.Rows() - 1;
}

int LedgerModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

std::vector<int32_t> LedgerModel::ShownColumns() const {
  std::vector<int32_t> order;
  for (int32_t col : grid_.ViewOrder()) {
    if (col >= 1 && col <= grid_.Cols()) order.push_back(col);
  }
  for (int32_t col = 1; col <= grid_.Cols(); ++col) {
    if (std::find(order.begin(), order.end(), col) == order.end()) order.push_back(col);
  }
  std::erase_if(order, [this](int32_t col) { return grid_.Column(col).Hidden(); });
  return order;
}

bool LedgerModel::ShownColumnsChanged() const {
  return ShownColumns() != shown_;
}

int32_t LedgerModel::LedgerColumn(int column) const {
  return column >= 0 && column < static_cast<int>(shown_.size())
             ? shown_[static_cast<size_t>(column)]
             : 0;
}

int LedgerModel::ModelColumn(int32_t col) const {
  for (size_t i = 0; i < shown_.size(); ++i) {
    if (shown_[i] == col) return static_cast<int>(i);
  }
  return -1;
}

Qt::ItemFlags LedgerModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

QVariant LedgerModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  return Cell(index.row() + 2, LedgerColumn(index.column()), role);
}

QVariant LedgerModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  return Cell(1, LedgerColumn(section), role);
}

QVariant LedgerModel::Cell(int row, int col, int role) const {
  if (failed_ || row > grid_.Rows() || col < 1 || col > grid_.Cols()) return {};
  if (role == Qt::TextAlignmentRole) {
    Qt::Alignment horizontal =
        grid_.Column(col).Alignment() == kAlignRight ? Qt::AlignRight : Qt::AlignLeft;
    return static_cast<int>(horizontal | Qt::AlignVCenter);
  }
  const bool background = role == Qt::BackgroundRole && row >= 2 && grid_.RowColor;
  const bool note = role == Qt::AccessibleDescriptionRole && row >= 2 && grid_.RowNote;
  if (role != Qt::DisplayRole && !background && !note) return {};
  const bool outer = !reading_;
  reading_ = true;
  try {
    QVariant answer;
    if (background) {
      const int64_t color = grid_.RowColorOf(row);  // 0xBBGGRR
      if (color >= 0) answer = QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    } else if (note) {
      const std::string text = grid_.RowNoteOf(row);
      if (!text.empty()) answer = QString::fromStdString(text);
    } else {
      answer = QString::fromStdString(grid_.CellText(row, col));
    }
    if (outer) reading_ = false;
    return answer;
  } catch (...) {
    if (outer) reading_ = false;
    failed_ = true;
    if (on_error_) on_error_(std::current_exception());
    return {};
  }
}

void LedgerModel::Reset() {
  beginResetModel();
  shown_ = ShownColumns();
  endResetModel();
}

void LedgerModel::Redraw() {
  const int rows = rowCount();
  const int cols = columnCount();
  if (cols == 0) return;
  if (rows > 0) emit dataChanged(index(0, 0), index(rows - 1, cols - 1));
  emit headerDataChanged(Qt::Horizontal, 0, cols - 1);
}

}  // namespace qmz
