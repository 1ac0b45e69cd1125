// The two batch pickers. frmStock lists the batches of one item per warehouse and auxiliary
// property (11 columns); frmSelectBatchNo, for items whose batches are tracked by number, adds
// the unit column (12 columns), computes unit prices in its rows and takes the entry point's
// fragment into its box. Both confirm on Enter in the grid and offer the batch picker interface
// of PickerForm.
#pragma once

#include <functional>
#include <string>

#include "batch/batch_query.h"
#include "picker/picker_form.h"

namespace qmz {

class BatchPickerForm : public PickerForm {
 protected:
  BatchPickerForm(const std::string& name, BatchPicker kind, PriceColumns columns);

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

 private:
  // The grid row of the scanned batch, 0 when the list has none.
  int32_t RowOf(const std::string& batch, const std::string& expiry);

  BatchPicker kind_;
  std::string queried_text_;  // the search text the list was last read with
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
