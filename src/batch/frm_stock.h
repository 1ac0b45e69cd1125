// The two batch pickers. frmStock lists the batches of one item per warehouse and auxiliary
// property (11 columns); frmSelectBatchNo, for items whose batches are tracked by number, adds
// the unit column (12 columns), computes unit prices in its rows and takes the entry point's
// fragment into its box. Both confirm on Enter in the grid and offer the batch picker interface
// of PickerForm.
//
// What a host may ask besides (inventory/batch_expiry.h), read when the picker loads:
//  - ExpiryWarnDays: rows expired by the document date marked red, those expiring within the
//    days amber (a band at the row's start that the selection colour leaves), the reason in the
//    row's tool tip and, for the cursor row, in the line under the grid (frm_stock_expiry.cpp);
//  - HideExpired: expired rows left out of every list read, a note above the grid counting them
//    when there are any;
//  - BatchOrder=FEFO: frmStock's list first-expiry-first (inventory/batch_list.h);
//  - RequiredQty (several rows allowed only): the rows that cover it preselected first-expiry-
//    first, as AllocateBatches allocates; a 取用数量 column, a line under the grid with required
//    / chosen / still missing and a box for the cursor row's quantity to take. The cursor then
//    moves apart from the chosen rows (arrow keys, a click), Space or Ctrl+click adds or removes
//    the cursor row, and a choice short of or over the quantity is asked about first; each
//    returned row carries FTakeQty (frm_stock_cover.cpp);
//  - ScanGS1: a label scanned into the search box finds its row (ReadScan).
// A host that asks none of these gets the pickers' controls, queries and rows as they were.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "inventory/batch_allocation.h"
#include "inventory/batch_expiry.h"
#include "inventory/batch_list.h"
#include "inventory/batch_query.h"
#include "picker/picker_form.h"
#include "platform/decimal.h"

namespace qmz {

struct ScannedBatch;

class BatchPickerForm : public PickerForm {
 public:
  ~BatchPickerForm() override;

 protected:
  BatchPickerForm(const std::string& name, BatchPicker kind, PriceColumns columns);

  // Reads what the host asks of expiry and quantity, and adds the controls it needs.
  void BeforeSetUpGrid() override;
  void QueryList() override;
  std::string ChooseFilter(const std::vector<std::string>& cells) const override;
  std::vector<int32_t> ChooseColumns() const override { return {2, 3, 4}; }
  // A row's text: the pieces both pickers share around the picker's own middle pieces (after the
  // quantity, before the amount).
  std::string BatchRowText(int32_t row, const std::function<void(std::string&)>& middle);
  // The texts of the row pieces both pickers share.
  std::string Number(const char* field, const std::string& pattern) const;
  std::string Text(const char* field) const;
  // A date field's text (inventory/batch_dates.h) when the item keeps a shelf life, else "".
  std::string DateIfShelfLife(const char* field) const;
  // With the host flag ScanGS1, a GS1 label in the search box (inventory/scanned_batch.h)
  // finds the row of its number, the one whose expiry matches where several hold it: among the
  // rows shown, else in the item's whole stock, read once without the host's fragment or the
  // box's (the list then shown, what was chosen kept). The cursor goes to the row; in a
  // covering picker the row joins the choice. With ScanConfirm it is then confirmed. A label
  // that is malformed, of another GTIN, expired and hidden, or not in the stock says so in a
  // message box naming what was read. Either way the box then holds the scan, selected, so
  // that the next scan replaces it.
  bool ReadScan() override;
  // The title with the 取用数量 column when a quantity is to be covered.
  std::string WithTakeTitle(std::string title) const;
  // Appends the 取用数量 column after SetUpGrid made the picker's own.
  void AddTakeColumn();
  std::vector<int32_t> ChosenRows() const override;
  std::optional<std::vector<int32_t>> RowsTaken(std::vector<int32_t> rows) override;
  void CompleteChoice(int32_t row, Dictionary& chosen) override;

 private:
  bool Covering() const { return required_.has_value(); }
  // What the query sends: the picker's properties and controls, or (`whole_item`) the item's
  // whole stock without a fragment.
  BatchQueryInput QueryInput(bool whole_item);
  // Shows a list read by ReadBatchList, with its stock rows; a covering picker keeps its cover.
  void Show(BatchList list);
  // The grid row of the scanned number in the list shown, 0 when it has none.
  int32_t ScannedRow(const std::string& number, const ScannedBatch& scanned);
  void RefuseScan(const std::string& message);
  // The stock row and identity of grid row `row` (from 2).
  const StockRow& StockRowAt(int32_t row) const;
  const std::string& KeyAt(int32_t row) const;
  // "B2601（北京仓）": a row as messages name it.
  std::string RowName(int32_t row);

  // frm_stock_expiry.cpp
  void AddExpiryControls();
  void ShowHiddenNote(size_t hidden);
  void ColorRow(int32_t row, int64_t& color);
  void NoteRow(int32_t row, std::string& note);
  void ShowMarkReason();
  // The line under the grid: why the cursor row is marked or not taken.
  void ShowCursorReason();
  std::string ReasonOf(int32_t row);

  // frm_stock_cover.cpp
  void AddCoverControls();
  // The cover after a new list: preselected first-expiry-first the first time, else the rows
  // chosen before selected again where the list still shows them.
  void KeepCover();
  // Each row the user added to the choice takes what is still missing (up to its quantity);
  // a row that left gives back what it took.
  void FollowSelection();
  Decimal Chosen() const;
  void ShowTally();
  // The take box and its caption for the cursor row.
  void ShowTakeRow();
  // The take box's text for `row` as the row's take shows it ("" for none).
  std::string TakeTextOf(int32_t row) const;
  // Enter in the 取用数量 box: the cursor row takes the quantity typed.
  void TakeTypedQuantity();
  // A scanned row joins the choice (an expired row only where expired stock is allowed).
  void AddToCover(int32_t row);
  std::string QuantityText(Decimal quantity) const;
  const Decimal* TakeOf(const std::string& key) const;

  BatchPicker kind_;
  ExpiryRules rules_;
  std::vector<StockRow> rows_;       // the stock row of each record of the list shown
  std::vector<std::string> keys_;    // the identity of each record: its grouped fields
  Label* hidden_note_ = nullptr;     // with HideExpired
  Label* reason_ = nullptr;          // with ExpiryWarnDays or a quantity to cover
  std::optional<Decimal> required_;  // RequiredQty in a picker of several rows
  bool preselected_ = false;
  std::vector<std::pair<std::string, Decimal>> takes_;  // row identity: quantity, in order taken
  int32_t take_column_ = 0;                             // the 取用数量 column, 0 without
  Label* tally_ = nullptr;
  Label* take_caption_ = nullptr;
  TextBox* take_box_ = nullptr;
};

class frmStock : public BatchPickerForm {
 public:
  frmStock();

 protected:
  void SetUpGrid() override;
  std::string TitleText() const override;
  std::string ListRowText(int32_t row) override;
  bool QueryButtonRecomputes() const override { return true; }
};

class frmSelectBatchNo : public BatchPickerForm {
 public:
  frmSelectBatchNo();

 protected:
  void BeforeSetUpGrid() override;
  void SetUpGrid() override;
  std::string TitleText() const override;
  std::string ListRowText(int32_t row) override;
  int32_t UnitColumn() const override { return 6; }
};

}  // namespace qmz
