// FormDialog's grids: a QTableView over each form grid, mirrored from the ledger's changes, and
// the mouse on it turned into the form's grid actions.
#include <algorithm>
#include <cmath>

#include <QAbstractItemView>
#include <QHeaderView>
#include <QItemSelection>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QToolTip>

#include "platform/ui/form.h"
#include "qt/form_dialog_parts.h"
#include "qt/ledger_model.h"
#include "qt/row_band_delegate.h"
#include "qt/widget_input.h"

namespace qmz {

using namespace qt_input;

void FormDialog::AddGrid(Control& control) {
  auto& grid_control = static_cast<GridControl&>(control);
  auto view = std::make_unique<GridView>();
  view->control = &grid_control;
  view->table = new QTableView(this);
  view->model = new LedgerModel(
      grid_control.Grid(), [this](std::exception_ptr error) { Fail(std::move(error)); },
      view->table);
  QTableView& table = *view->table;
  table.setObjectName(ToQt(control.Name()));
  table.setModel(view->model);
  table.setSelectionBehavior(QAbstractItemView::SelectRows);
  table.setEditTriggers(QAbstractItemView::NoEditTriggers);
  table.setTabKeyNavigation(false);
  table.setWordWrap(false);
  table.setCornerButtonEnabled(false);
  table.setAutoScroll(false);
  table.setContextMenuPolicy(Qt::NoContextMenu);
  table.setItemDelegate(new RowBandDelegate(grid_control.Grid(), &table));
  // Fixed rows: Qt then places rows without reading them, and reads only those it paints.
  QHeaderView& rows = *table.verticalHeader();
  rows.hide();
  rows.setSectionResizeMode(QHeaderView::Fixed);
  rows.setDefaultSectionSize(std::max(rows.minimumSectionSize(), table.fontMetrics().height() + 6));
  QHeaderView& header = *table.horizontalHeader();
  // The user may drag a column wider or narrower; the width goes back to the grid, which the
  // pickers remember when they close.
  header.setSectionResizeMode(QHeaderView::Interactive);
  connect(&header, &QHeaderView::sectionResized, this,
          [this, &grid_control, model = view->model](int section, int, int pixels) {
            if (syncing_ || closing_) return;
            Act([&] {
              Ledger& grid = grid_control.Grid();
              const int32_t col = model->LedgerColumn(section);
              if (col < 1 || col > grid.Cols()) return;
              FlagScope mirroring(syncing_);
              grid.Column(col).SetWidth(static_cast<float>(pixels) * twips_per_pixel_);
            });
          });
  header.setSectionsClickable(false);
  header.setHighlightSections(false);
  header.setStretchLastSection(false);
  table.viewport()->setMouseTracking(true);
  header.viewport()->setMouseTracking(true);
  for (QObject* part : {static_cast<QObject*>(&table), static_cast<QObject*>(table.viewport()),
                        static_cast<QObject*>(header.viewport())}) {
    part->installEventFilter(this);
    owners_[part] = &control;
  }
  widgets_[&control] = &table;
  control.SetViewListener([this, &control] { SyncControl(control); });
  GridView* shown = view.get();
  grids_.push_back(std::move(view));
  grid_control.Grid().SetViewListener(
      [this, shown](LedgerChange change) { SyncLedger(*shown, change); });
  shown->model->Reset();
  ApplyColumns(*shown);
  ApplySelection(*shown, false);  // scrolled to the cursor once shown, at its real size
}

void FormDialog::SyncLedger(GridView& view, LedgerChange change) {
  if (view.model->Reading()) {
    if (std::find(view.deferred.begin(), view.deferred.end(), change) != view.deferred.end()) {
      return;
    }
    if (view.deferred.empty()) {
      QTimer::singleShot(0, this, [this, &view] {
        std::vector<LedgerChange> changes;
        changes.swap(view.deferred);
        if (closing_) return;
        for (LedgerChange deferred : changes) SyncLedger(view, deferred);
      });
    }
    view.deferred.push_back(change);
    return;
  }
  FlagScope mirroring(syncing_);
  switch (change) {
    case LedgerChange::kRows:
    case LedgerChange::kCols:
      view.model->Reset();
      ApplyColumns(view);
      ApplySelection(view, true);
      break;
    case LedgerChange::kColumn:
      if (view.model->ShownColumnsChanged()) {
        view.model->Reset();
        ApplyColumns(view);
        ApplySelection(view, true);
      } else {
        ApplyColumns(view);
        view.model->Redraw();
      }
      break;
    case LedgerChange::kCursor:
      ApplySelection(view, true);
      break;
    case LedgerChange::kSelection:
    case LedgerChange::kLook:
      ApplySelection(view, false);
      break;
    case LedgerChange::kCellValue:
    case LedgerChange::kRedraw:
    case LedgerChange::kEventHandled:
      view.model->Redraw();
      break;
    case LedgerChange::kToolTip:
      if (QToolTip::isVisible() && view.hover_row > 0) ShowGridToolTip(view, view.hover_pos);
      break;
    case LedgerChange::kHostWidth:
      break;
  }
}

void FormDialog::ApplyColumns(GridView& view) {
  FlagScope mirroring(syncing_);  // the header reports these widths back: not as the user's
  const Ledger& grid = view.control->Grid();
  for (int column = 0; column < view.model->columnCount(); ++column) {
    const LedgerColumn& shown = grid.Column(view.model->LedgerColumn(column));
    view.table->setColumnWidth(column,
                               static_cast<int>(std::lround(shown.Width() / twips_per_pixel_)));
  }
}

void FormDialog::ApplySelection(GridView& view, bool scroll) {
  const Ledger& grid = view.control->Grid();
  QTableView& table = *view.table;
  table.setSelectionMode(grid.MultiSelect() ? QAbstractItemView::ExtendedSelection
                                            : QAbstractItemView::SingleSelection);
  const int rows = view.model->rowCount();
  const int cols = view.model->columnCount();
  const int32_t cursor = grid.CursorRow();
  // Without a selection list the cursor row shows selected, unless the cursor moves apart.
  std::vector<int32_t> picked = grid.SelectedRows();
  if (picked.empty() && cursor >= 2 && !grid.CursorApart()) picked.push_back(cursor);
  QItemSelection selection;
  for (int32_t row : picked) {
    if (cols > 0 && row >= 2 && row - 2 < rows) {
      selection.select(view.model->index(row - 2, 0), view.model->index(row - 2, cols - 1));
    }
  }
  table.selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  if (cursor < 2 || cursor - 2 >= rows || cols == 0) return;
  // The current cell keeps its column as the cursor moves (Left/Right chose it), else the
  // first shown column.
  int col = table.currentIndex().isValid() ? table.currentIndex().column() : cols;
  if (col >= cols || table.isColumnHidden(col)) {
    col = 0;
    while (col < cols && table.isColumnHidden(col)) ++col;
  }
  const QModelIndex current = view.model->index(cursor - 2, col < cols ? col : 0);
  table.selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
  if (scroll && col < cols) {
    // Brings the row into view without scrolling sideways.
    QScrollBar& sideways = *table.horizontalScrollBar();
    const int x = sideways.value();
    table.scrollTo(current);
    sideways.setValue(x);
  }
}

void FormDialog::StepGridColumn(GridView& view, int step) {
  QTableView& table = *view.table;
  const QModelIndex current = table.currentIndex();
  if (!current.isValid()) return;
  const int cols = view.model->columnCount();
  int col = current.column() + step;
  while (col >= 0 && col < cols && table.isColumnHidden(col)) col += step;
  if (col < 0 || col >= cols) return;
  const QModelIndex next = view.model->index(current.row(), col);
  table.selectionModel()->setCurrentIndex(next, QItemSelectionModel::NoUpdate);
  table.scrollTo(next);
}

void FormDialog::UpdateHostWidth(GridView& view) {
  Ledger& grid = view.control->Grid();
  const float twips = static_cast<float>(view.table->viewport()->width()) * twips_per_pixel_;
  if (twips != grid.HostWidth()) Act([&] { grid.SetHostWidth(twips); });
}

void FormDialog::ShowGridToolTip(GridView& view, const QPoint& global_pos) {
  std::string text = view.control->Grid().ToolTipText();
  if (text.empty()) text = view.control->ToolTipText();
  if (text.empty() || view.hover_row == 0) {
    QToolTip::hideText();
  } else {
    QToolTip::showText(global_pos, ToQt(text), view.table->viewport());
  }
}

FormDialog::GridView* FormDialog::GridOf(const Control* control) const {
  for (const auto& view : grids_) {
    if (view->control == control) return view.get();
  }
  return nullptr;
}

namespace {

// Whether `pos` on the header's viewport is on a section border, where QHeaderView starts a
// resize: within the style's grip margin of the end of a section, or of its start when a shown
// section lies before it.
bool AtSectionBorder(const QHeaderView& header, const QPoint& pos) {
  const int section = header.logicalIndexAt(pos);
  if (section < 0) return false;
  const int grip = header.style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, &header);
  const int start = header.sectionViewportPosition(section);
  if (pos.x() > start + header.sectionSize(section) - grip) return true;
  if (pos.x() >= start + grip) return false;
  for (int visual = header.visualIndex(section) - 1; visual >= 0; --visual) {
    if (!header.isSectionHidden(header.logicalIndex(visual))) return true;
  }
  return false;
}

}  // namespace

bool FormDialog::OnGridMouse(GridView& view, QObject* watched, QMouseEvent& event) {
  QTableView& table = *view.table;
  const QPoint pos = event.position().toPoint();
  QHeaderView& header = *table.horizontalHeader();
  if (watched == header.viewport()) {
    // The header itself drags a column border: a press there and the moves and release that
    // follow go to it, and the grid sees no click; the width comes back through sectionResized.
    const bool border = event.button() == Qt::LeftButton && AtSectionBorder(header, pos);
    switch (event.type()) {
      case QEvent::MouseButtonPress:
        if (border) view.resizing = true;
        if (view.resizing) return false;
        break;
      case QEvent::MouseButtonDblClick:
        if (border) return false;  // Qt fits the column to its texts
        break;
      case QEvent::MouseButtonRelease:
        if (view.resizing) {
          view.resizing = false;
          return false;
        }
        break;
      case QEvent::MouseMove:
        if (view.resizing) return false;
        break;
      default:
        break;
    }
  }
  int32_t row = 0;  // the ledger cell under the mouse; 0 off the cells
  int32_t col = 0;
  if (watched == header.viewport()) {
    const int section = header.logicalIndexAt(pos);
    if (section >= 0) {
      row = 1;
      col = view.model->LedgerColumn(section);
    }
  } else {
    const int r = table.rowAt(pos.y());
    const int c = table.columnAt(pos.x());
    if (r >= 0 && c >= 0) {
      row = r + 2;
      col = view.model->LedgerColumn(c);
    }
  }
  const std::string& name = view.control->Name();
  const Ledger& grid = view.control->Grid();
  switch (event.type()) {
    case QEvent::MouseButtonPress:
      if (event.button() != Qt::LeftButton) break;
      Act([&] {
        const Qt::KeyboardModifiers modifiers = event.modifiers();
        if (row == 0) {
          form_.SetFocus(view.control);
        } else if (row >= 2 && grid.MultiSelect() && (modifiers & Qt::ShiftModifier)) {
          form_.SelectGridRows(name, RangeSelection(grid, row));
        } else if (row >= 2 && grid.MultiSelect() && (modifiers & Qt::ControlModifier)) {
          form_.ToggleGridRow(name, row);
        } else {
          form_.ClickGridRow(name, row, col);
        }
      });
      break;
    case QEvent::MouseButtonDblClick:
      if (event.button() == Qt::LeftButton && row != 0) {
        Act([&] { form_.DoubleClickGrid(name, row, col, true); });
      }
      break;
    case QEvent::MouseMove:
      if (row == view.hover_row && col == view.hover_col) break;
      view.hover_row = row;
      view.hover_col = col;
      view.hover_pos = event.globalPosition().toPoint();
      if (row != 0) Act([&] { form_.HoverGrid(name, row, col); });
      ShowGridToolTip(view, view.hover_pos);
      break;
    default:
      break;
  }
  // The table never selects on its own; the header sees the moves, to show the resize cursor
  // over a border.
  return !(watched == header.viewport() && event.type() == QEvent::MouseMove);
}

}  // namespace qmz
