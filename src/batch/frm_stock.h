// The two batch pickers. frmStock lists the batches of one item per warehouse and auxiliary
// property (11 columns); frmSelectBatchNo, for items whose batches are tracked by number, adds
// the unit column (12 columns), computes unit prices in its rows and takes the entry point's
// fragment into its box. Both confirm on Enter in the grid and offer the batch picker interface
// of PickerForm.
//
// What a host may ask besides (list_services/batch_expiry.h), read when the picker loads:
//  - ExpiryWarnDays: rows expired by the document date in red, those expiring within the days in
//    amber, the reason in the row's tool tip (frm_stock_expiry.cpp);
//  - HideExpired: expired rows left out of every list read, a note above the grid counting them;
//  - BatchOrder=FEFO: frmStock's list first-expiry-first;
//  - RequiredQty (several rows allowed only): the rows that cover it preselected first-expiry-
//    first, a 取用数量 column, a line under the grid with required / chosen / still missing and
//    a box for the cursor row's quantity to take; each returned row carries FTakeQty
//    (frm_stock_cover.cpp).
// A host that asks none of these gets the pickers' controls, queries and rows as they were.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "batch/batch_query.h"
#include "list_services/batch_allocation.h"
#include "list_services/batch_expiry.h"
#include "picker/picker_form.h"

namespace qmz {

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
  // A date field's text (list_services/batch_dates.h) when the item keeps a shelf life, else "".
  std::string DateIfShelfLife(const char* field) const;
  // With the host property ScanGS1, a GS1 label in the search box (list_services/scanned_batch.h)
  // selects the row of its batch, the one whose expiry matches where several hold it, and with
  // ScanConfirm confirms it. Not in the list as it stands, the list of that batch is read; not
  // there either, the list is read again as it was. A malformed label, one of another GTIN or
  // one not found says so in a message box naming what was read.
  bool ReadScan() override;
  // The title with the 取用数量 column when a quantity is to be covered.
  std::string WithTakeTitle(std::string title) const;
  // Appends the 取用数量 column after SetUpGrid made the picker's own.
  void AddTakeColumn();
  std::vector<int32_t> RowsTaken(std::vector<int32_t> rows) override;
  void CompleteChoice(int32_t row, Dictionary& chosen) override;

 private:
  // The grid row of the scanned batch, 0 when the list has none.
  int32_t RowOf(const std::string& batch, const std::string& expiry);

  // frm_stock_expiry.cpp
  void AddExpiryControls();
  // The list without its expired rows when the host hides them (the note says how many).
  RecordsetPtr Shown(RecordsetPtr list);
  void ColorRow(int32_t row, int64_t& color);
  void ShowMarkReason();
  StockRow StockRowAt(int32_t row);

  // frm_stock_cover.cpp
  void AddCoverControls();
  // The rows that cover the required quantity selected, first-expiry-first.
  void Preselect();
  // Each row the user added to the choice takes what is still missing (up to its quantity);
  // a row that left gives back what it took.
  void FollowSelection();
  // The rows a choice takes now: the selection, or the cursor row (as ChooseRows).
  std::vector<int32_t> ChosenRows() const;
  double Missing() const;
  void ShowTally();
  // Enter in the 取用数量 box: the cursor row takes the quantity typed.
  void TakeTypedQuantity();
  std::string QuantityText(double quantity) const;

  BatchPicker kind_;
  std::string queried_text_;  // the search text the list was last read with
  ExpiryRules rules_;
  Label* hidden_note_ = nullptr;     // with HideExpired
  double required_ = 0;              // RequiredQty in a picker of several rows, else 0
  std::map<int32_t, double> takes_;  // grid row: quantity taken
  int32_t take_column_ = 0;          // the 取用数量 column, 0 without
  Label* tally_ = nullptr;
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
