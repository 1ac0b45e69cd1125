// BaseDetail: the engine behind the base-data list dialog. It holds the column definitions of
// the current item class (ListClassID of the shared list settings), the data recordset read
// through the middle tier, and the dialog's grid; it answers the grid's row texts, locates,
// steps and sorts, and fetches the inventory rows behind a chosen row.
//
// Failures: GetData and ReturnData report any failure in a message box ("Vantrel提示", the
// information icon, the failure's description) and return null; the failure's description stays
// in LastReadFailure until the next GetData or ReturnData, so that the dialog's caller can tell a
// failed read from an empty one. A read the user stopped (ReadStopped) returns null without a
// message and is told by ReadWasStopped until the next GetData. Every other member runs with
// errors ignored step by step: a failing step is skipped and the next one runs. Sort runs as a
// list's read does (progress, a way out); a stopped sort changes nothing.
//
// Ownership: the dialog owns the BaseDetail; the grid is shared with the dialog; the data
// recordset is owned. Ending a BaseDetail clears the shared Filter. User-interface thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base_data_list/base_data_columns.h"
#include "qmz/recordset.h"

namespace qmz {

class Ledger;

class BaseDetail {
 public:
  BaseDetail() = default;
  ~BaseDetail();
  BaseDetail(const BaseDetail&) = delete;
  BaseDetail& operator=(const BaseDetail&) = delete;

  void LDG(std::shared_ptr<Ledger> grid) { grid_ = std::move(grid); }

  // Columns and loading.
  void GetTitleInfo(int32_t ClassID = 0);
  RecordsetPtr GetData(const std::string& Number);
  bool TakeJournalData(RecordsetPtr Rs = nullptr);
  // A re-read that found nothing to show (its failure already reported): no list, the title
  // row alone, the columns as TakeJournalData leaves them; nothing is queried.
  void TakeNoData();
  void Refresh();
  RecordsetPtr ReturnData(int32_t Row);
  // Why the last GetData or ReturnData answered null; "" when it did not fail.
  const std::string& LastReadFailure() const { return read_failure_; }
  // Whether the user stopped the last GetData's read.
  bool ReadWasStopped() const { return read_stopped_; }

  // Locating, stepping, sorting and row texts.
  void Location(const std::string& strNumber);
  void LocationNew(const std::string& strNumber);
  void MoveLDG(int16_t DWay);
  int32_t Sort(int32_t FCol, int16_t SortMode = 0);
  std::string DRowData(int32_t lRow, int16_t SColor = 0);
  std::string TRowData(int32_t lRow);

  const std::vector<ColumnDef>& ColumnDefs() const { return columns_; }
  const RecordsetPtr& Data() const { return data_; }

 private:
  // The data recordset and the grid; Error when there is none (the step is then skipped).
  Recordset& Records() const;
  Ledger& Grid() const;
  void SizeGrid();
  void ShowTakenData();
  std::string CellTextOf(const Variant& value, const std::string& field) const;
  void ReportFailure(const std::exception& failure);
  // Sorts the data recordset on a helper thread while the host waits, as a list's read does:
  // a long sort shows its progress and may be stopped, which leaves the order as it was. The
  // painting grid reads and moves the recordset meanwhile; the new order is set once the sort
  // has ended, on this thread.
  void SortRecords(const std::string& sort);

  RecordsetPtr data_;
  std::vector<ColumnDef> columns_;
  std::shared_ptr<Ledger> grid_;
  bool moving_ = false;
  std::string read_failure_;
  bool read_stopped_ = false;
};

}  // namespace qmz
