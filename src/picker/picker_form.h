// PickerForm: the skeleton shared by the stock pickers (frmStock, frmSelectBatchNo and the aux
// picker frmSelectAux): the item header labels, a fragment box with its query button, the
// zero-quantity check box, the grid and the OK/close buttons; the load sequence, the rights
// check for prices, the grid look, the item header, unit prices recomputed from amount and
// quantity, the choice of one or several rows into RtnDict/RtnVect, and the saved settings
// (the check box state and the shared column widths, group "BaseList").
//
// Keys: Escape closes the dialog without a choice (as the close button); Enter in the search box
// runs the query (as the query button), Up, Down, PageUp and PageDown there move the grid's
// cursor; Enter in the grid confirms (as the OK button). With
// several rows allowed, Shift with Up/Down/PageUp/PageDown extends the selection and Ctrl+A
// selects every row (the form's grid keys).
//
// A picker fills in its own query, columns, row texts, rights table and record filter.
//
// Failures: during the load sequence every failure reaches the caller (the entry point's
// guard). After load, a failure of a user action (query button, check box, activation, OK,
// double click, Enter) is shown in a message box titled "Vantrel提示" and the dialog and its
// list stay as they were; so does a list's read the user stopped (Escape while it reads), without
// a message. A stopped first list ends the load with ReadStopped, which the entry points' guard
// takes for no choice. Row texts ignore errors piece by piece.
//
// Lifecycle and threading as every Form: RunLoad, ShowModal, read OK/RtnDict/RtnVect,
// RunUnload (releases the list and the containers, saves the widths the user changed). UI thread
// only.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "inventory/inventory_request.h"
#include "platform/ui/form.h"
#include "platform/ui/ledger.h"
#include "qmz/containers.h"
#include "qmz/recordset.h"

namespace qmz {

// The grid columns that hold quantity, unit price and amount (from 1).
struct PriceColumns {
  int32_t quantity;
  int32_t price;
  int32_t amount;
};

// The picker's lines, top to bottom (Control::Line); the batch pickers put notes between them.
inline constexpr int32_t kSearchLine = 10;  // the box, the query button, the check box
inline constexpr int32_t kGridLine = 20;
inline constexpr int32_t kButtonLine = 30;

struct PickerTexts {
  const char* caption;        // the dialog's caption
  const char* box_name;       // txtBatchNo, txtAux
  const char* box_label;      // "批号：", "辅助属性："
  const char* check_caption;  // chkShowZero's caption
  const char* check_key;      // user profile key of the check box: ShowZero, AuxShowZero
  const char* grid_name;      // the grid as a screen reader names it
};

class PickerForm : public Form {
 public:
  ~PickerForm() override;

  // The picker interface the entry points set before load and read after the modal show.
  int32_t ClassTypeID = 0;
  std::string Filter;
  std::string Batch;
  int32_t ItemID = 0;
  int32_t StockID = 0;
  int32_t AuxID = 0;
  void SetMultiSelect(int32_t value) { multi_select_ = value != 0; }
  // ClassTypeID, Filter, ItemID, StockID and AuxID from the request, in that order.
  void SetRequest(const InventoryRequest& request);
  bool MultiSelect() const { return multi_select_; }
  bool OK = false;
  const std::shared_ptr<Dictionary>& RtnDict() const { return rtn_dict_; }
  const std::shared_ptr<Vector>& RtnVect() const { return rtn_vect_; }

  Ledger& Grid() const { return *grid_; }
  TextBox& Box() const { return *box_; }
  CheckBox& ShowZeroBox() const { return *check_; }
  const RecordsetPtr& List() const { return list_; }
  int32_t QuantityDigits() const { return quantity_digits_; }
  int32_t PriceDigits() const { return price_digits_; }
  bool InventoryClosed() const { return closed_; }

 protected:
  PickerForm(const std::string& name, const PickerTexts& texts, PriceColumns columns);

  // What each picker fills in.
  virtual void SetUpGrid() = 0;
  virtual void QueryList() = 0;
  virtual std::string TitleText() const = 0;
  virtual std::string ListRowText(int32_t row) = 0;
  // The record filter of a chosen row, from the texts of its cells.
  virtual std::string ChooseFilter(const std::vector<std::string>& cells) const = 0;
  // The grid columns whose texts ChooseFilter receives.
  virtual std::vector<int32_t> ChooseColumns() const = 0;
  // Steps of the load sequence around the shared ones.
  virtual void BeforeSetUpGrid() {}
  // Whether the query button also recomputes the unit prices.
  virtual bool QueryButtonRecomputes() const { return false; }

  // Shared steps.
  // The rights check: denied when the class type has no code in `codes`, else when the
  // security component refuses right 32 on object type 15 with the code.
  bool PricesDenied(const std::map<int32_t, int32_t>& codes) const;
  void ApplyGridLook(int32_t cols);
  // Column widths from the shared width record (picker/width_record.h), else the designed ones.
  void SetWidths(const std::vector<float>& designed);
  // The grid column that shows the unit, which the width record keeps apart (0: none).
  virtual int32_t UnitColumn() const { return 0; }
  void LoadItemHeader();
  // From now until the grid gets new rows, each row's unit price reads as recomputed: the
  // amount shown divided by the quantity shown, in the plain price format (rows of no quantity
  // keep theirs). Computed when a row is read, so a long list costs nothing here.
  void RecomputeUnitPrices();
  void ChooseRows();
  // Keeps a new list and sizes the grid for it (title row + records), then refreshes.
  void ShowList(RecordsetPtr list);
  // Appends one piece of a row text and its bar; a piece that cannot be read is left out.
  static void AppendPiece(std::string& text, const std::function<std::string()>& piece);
  // A field of the list's current record, null as `fallback`.
  Variant Field(const std::string& name, const Variant& fallback) const;
  // The unit price of the current record as its row shows it (inventory/unit_price.h): "0"
  // for quantity 0, else FAmount over FQty in the price format.
  std::string UnitPriceText() const;
  // Moves the list to the record of grid row `row`.
  void MoveToRow(int32_t row);
  // Read before the query button queries: true when the search box held a scanned label that
  // the picker took care of (found its row, or said why), false for typed text. Only the batch
  // pickers read labels.
  virtual bool ReadScan() { return false; }
  // What the query button does (its failure reported, the list shown as it was).
  void QueryButton();
  // What the yes button does: the check box saved, the chosen rows taken.
  void Confirm();
  // The grid rows the user chose: the selection of several rows, else the cursor row (none on
  // the title row).
  virtual std::vector<int32_t> ChosenRows() const;
  // Of the chosen rows, those the choice returns: none closes the dialog without a choice;
  // nullopt keeps it open (the user declined when asked); raises to refuse the choice with a
  // message. All of them unless a picker says otherwise.
  virtual std::optional<std::vector<int32_t>> RowsTaken(std::vector<int32_t> rows) { return rows; }
  // Adds what a picker returns besides the row's fields to the dictionary of grid row `row`.
  virtual void CompleteChoice(int32_t /*row*/, Dictionary& /*chosen*/) {}

  // Runs a user action; after load its failure is reported and the list shown again, with
  // the unit prices as they read before the action when `prices_before` is given.
  void Reported(const std::function<void()>& action, const bool* prices_before = nullptr);

  std::shared_ptr<Ledger> grid_;
  RecordsetPtr list_;

 private:
  void OnLoad();
  void OnUnload();
  // No choice: the close button and Escape.
  void Cancel();
  void RecomputeIfClosed();
  // The row text with its recomputed unit price in place, when prices read as recomputed.
  void ApplyRecomputedPrice(std::string& text) const;

  PickerTexts texts_;
  PriceColumns columns_;
  Label* lbl_no_ = nullptr;
  Label* lbl_name_ = nullptr;
  Label* lbl_model_ = nullptr;
  TextBox* box_ = nullptr;
  CheckBox* check_ = nullptr;
  bool multi_select_ = false;
  bool loading_ = false;
  bool restoring_check_ = false;  // the check box put back after its query failed
  int32_t quantity_digits_ = 0;
  int32_t price_digits_ = 0;
  bool closed_ = true;
  bool prices_recomputed_ = false;  // cleared whenever the grid gets new rows
  std::vector<float> set_widths_;   // as SetWidths set them: a different width is the user's
  std::shared_ptr<Dictionary> rtn_dict_;
  std::shared_ptr<Vector> rtn_vect_;
};

// The entry points' common steps for a picker whose properties are set: load, show modally,
// take RtnVect (several rows allowed) or RtnDict into `result` when OK, unload. Failures rise
// to the caller; one in the unload (the widths cannot be saved) leaves `result` set.
void RunPicker(PickerForm& form, bool multi_select, ObjectPtr& result);

}  // namespace qmz
