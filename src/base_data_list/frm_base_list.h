// frmBaseList: the modal dialog in which the user picks one row of the current item class
// (ListClassID of the shared list settings). A thin shell over its BaseDetail: the grid's
// titles, rows, locating and sorting come from there. Typing in the search box moves the
// selection to the first record whose code begins with the text; selecting a row copies its
// code into the search box; F9 or the button reads the list again with the text as a fragment;
// Enter, a double click or the grid's Enter returns the record(s) of the chosen row.
//
// Lifecycle: construct, RunLoad() (reads the list), ShowModal(), read OK() and RtRec(),
// RunUnload() (saves the column widths to JXCSystem.INI). A list's read shows its progress and
// may be stopped (Escape): a stopped re-read leaves the list as it was; a stopped first list
// closes the dialog as Escape does. Hiding never destroys the form.
// User-interface thread only; handlers that run with errors ignored (grid events, keys) swallow
// their failures, the others let them reach the caller.
#pragma once

#include <cstdint>
#include <memory>

#include "base_data_list/base_detail.h"
#include "platform/ui/form.h"
#include "platform/ui/ledger.h"
#include "qmz/recordset.h"

namespace qmz {

class frmBaseList : public Form {
 public:
  frmBaseList();
  ~frmBaseList() override;

  bool OK() const { return OK_; }
  const RecordsetPtr& RtRec() const { return RtRec_; }

  Ledger& LDGBase() const { return *grid_; }
  TextBox& txtNumber() const { return *txtNumber_; }
  BaseDetail* Detail() const { return detail_.get(); }
  // Why the list's last read (the first list, a re-read, the chosen row's) failed; "" if it did
  // not.
  std::string ReadFailure() const { return detail_ ? detail_->LastReadFailure() : std::string(); }
  // Whether the user stopped the last read of the list.
  bool ReadWasStopped() const { return detail_ && detail_->ReadWasStopped(); }

  // Take a row (0: the current row, n: row n) or cancel (-1), and hide.
  void ReturnRow(int32_t n);

 private:
  void OnLoad();
  void OnUnload();
  void OnActivate();
  void OnKeyDown(int16_t& key_code, int16_t shift);
  void OnKeyPress(int16_t& key_ascii);
  void ReRead();
  void SetColumnWidths();
  void LoadIniColumnWidths();
  void SaveIniColumnWidths(int32_t class_id);
  void OnGridClick();
  void OnGridDblClick();
  void OnGridKeyPress(int16_t& key_ascii);
  void OnGridMouseMove();
  void OnGridNotify(int32_t code, const std::string& name, const Variant& p2);

  std::shared_ptr<Ledger> grid_;
  TextBox* txtNumber_ = nullptr;
  std::unique_ptr<BaseDetail> detail_;
  bool OK_ = false;
  RecordsetPtr RtRec_;
  int32_t CurrentRow_ = 0;
  bool Updating_ = false;
};

// The common steps of BaseList.Show and ShowEx for the class already in ListClassID: create,
// load and show the dialog, take RtRec into `result` when OK, unload. A first list that could
// not be read ends the call with its failure (Error) without showing the dialog, and so does a
// chosen row that could not be read; a user who closes the dialog, or stops its first list's
// read, gets no result. Failures rise
// to the caller's guard; one in the unload (the widths cannot be saved) leaves `result` set.
void ShowBaseListDialog(ObjectPtr& result);

}  // namespace qmz
