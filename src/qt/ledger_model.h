// LedgerModel: a Qt table model over a Ledger, for the grids of the Qt host (form_dialog.h).
// Model row i is ledger row i + 2; the model's columns are the ledger's shown columns, in its
// view order
// (a hidden column is not in the model, so no view or screen reader meets it): model column j is
// ledger column LedgerColumn(j). The ledger's title row (row 1) is the horizontal header; a data
// row's background is the ledger's RowColorOf and its cells' accessible description its
// RowNoteOf, where the owner gives them. Texts are pulled from the ledger only when
// Qt asks for them, which a table view does for the rows it paints: a list of any length costs
// its visible rows.
//
// The model keeps no copy of the data and never writes to the ledger; the dialog tells it when
// rows or columns changed (Reset) and when texts may have changed (Redraw). A position outside
// the ledger as it is now reads as empty.
//
// Errors: the owner's RowText handler may fail while Qt paints. The error must not unwind through
// Qt, so it goes to the error sink once; from then on every cell reads as empty.
//
// Ownership and threading: the model borrows the ledger, which must outlive it. The
// user-interface thread only.
#pragma once

#include <exception>
#include <functional>
#include <vector>

#include <QAbstractTableModel>

namespace qmz {

class Ledger;

class LedgerModel : public QAbstractTableModel {
 public:
  LedgerModel(Ledger& grid, std::function<void(std::exception_ptr)> on_error, QObject* parent);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The ledger's row or column count, or the columns shown, changed.
  void Reset();
  // Whether the columns shown differ from the model's (a Reset is then due).
  bool ShownColumnsChanged() const;
  // The ledger column (from 1) of a model column; the model column of a ledger column, -1 when
  // it is hidden.
  int32_t LedgerColumn(int column) const;
  int ModelColumn(int32_t col) const;
  // Texts, values or alignments may have changed: the views pull what they show again.
  void Redraw();
  // True while the model reads the ledger for a view (the owner's RowText runs then). A change
  // the owner makes in that time is applied after the paint, never inside it.
  bool Reading() const { return reading_; }

 private:
  QVariant Cell(int row, int col, int role) const;
  std::vector<int32_t> ShownColumns() const;

  Ledger& grid_;
  std::vector<int32_t> shown_;  // ledger columns of the model's columns
  std::function<void(std::exception_ptr)> on_error_;
  mutable bool failed_ = false;
  mutable bool reading_ = false;
};

}  // namespace qmz
