// Statements on an ODBC connection and their results read into Recordsets.
//
// OdbcStatement is a statement handle that waits at most the query timeout; made on a list's
// read (platform/stoppable_read.h), a stop of the read cancels what it runs then (SQLCancel,
// which has the server cancel the statement). ResultReader learns
// the names and kinds of a statement's current result from the result's own attributes (never
// from catalogue queries: nullability or the concise type would have the driver ask the catalogue
// about each base table), then appends the rows of that result, or of later results with the same
// columns, to one Recordset: integers and doubles as numbers, everything else as UTF-8 text read
// in UTF-16, NULL as null.
//
// Errors: qmz::Error with the driver's diagnostics; ReadStopped when a reader sees its read
// stopped. A statement and a reader belong to one thread at a time.
#pragma once

#include "suite/server/odbc_api.h"

#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/stoppable_read.h"
#include "qmz/recordset.h"
#include "suite/server/odbc_handle.h"
#include "suite/server/wide_text.h"

namespace qmz::suite {

class OdbcStatement : public OdbcHandle {
 public:
  // `timeout` in seconds; 0 waits without limit.
  OdbcStatement(SQLHDBC dbc, long timeout);
  SQLHDBC connection() const { return dbc_; }
  // Runs `sql` directly; SQL_NO_DATA (no row changed) is a success.
  void Run(const std::u16string& sql) const;
  // Runs `sql` directly and answers the driver's return code.
  SQLRETURN Execute(const std::u16string& sql) const;
  // Has the driver prepare `sql` (with ? markers) for Execute() to run again and again.
  void Prepare(const std::u16string& sql) const;
  // Runs the prepared statement with the parameters bound now; the driver's return code.
  SQLRETURN Execute() const;
  // The statement's result closed, the handle ready for the next statement.
  void Close() const;
  SQLSMALLINT ColumnCount() const;

 private:
  SQLHDBC dbc_;
  mutable std::atomic<bool> executing_{false};  // inside Execute: a stop cancels it
  StopHook cancel_;
};

// A column's text, read in chunks of any length; nullopt for NULL.
std::optional<std::string> ColumnText(const OdbcHandle& stmt, SQLUSMALLINT column);
// The same into `text`, cleared first; false for NULL.
bool ReadText(const OdbcHandle& stmt, SQLUSMALLINT column, Utf16Reader& text);

// A server that folds names to lower case answers them as the select list spells them, else
// as the batch first spells them.
// Both are borrowed; null for none.
struct Spelling {
  const std::vector<std::string>* select_names = nullptr;
  const std::map<std::string, std::string>* batch_names = nullptr;

  std::string operator()(size_t column, const std::string& given) const;
};

enum class ColumnKind { kInteger, kDouble, kText };

// Arrays bound to a statement's columns, so that one SQLFetch has the driver convert a block of
// rows instead of one SQLGetData per value. A text longer than its cell is read again whole. The
// statement keeps the binding for every result it runs until the arrays end; the driver must
// allow SQLGetData on bound columns of a block (SQL_GD_BLOCK, SQL_GD_BOUND).
class BoundRows {
 public:
  static constexpr size_t kRows = 256;
  static constexpr size_t kTextUnits = 256;  // UTF-16 units of a text cell, its NUL included

  // `rows`: the rows one SQLFetch brings.
  BoundRows(const OdbcHandle& stmt, const std::vector<ColumnKind>& kinds, size_t rows = kRows);
  ~BoundRows();
  BoundRows(const BoundRows&) = delete;
  BoundRows& operator=(const BoundRows&) = delete;

  size_t fetched() const { return fetched_; }
  SQLLEN indicator(size_t column, size_t row) const { return indicators_[column * rows_ + row]; }
  SQLBIGINT integer(size_t column, size_t row) const;
  double number(size_t column, size_t row) const;
  // The text of a cell, or nullopt when it did not fit.
  std::optional<std::u16string_view> text(size_t column, size_t row) const;

 private:
  const OdbcHandle& stmt_;
  size_t rows_;
  std::vector<size_t> offsets_;  // where each column's cells start in data_
  std::unique_ptr<char[]> data_;
  std::vector<SQLLEN> indicators_;
  SQLULEN fetched_ = 0;
};

// The names (as the server gives them) and kinds of a result's columns.
struct ResultColumns {
  std::vector<std::string> names;
  std::vector<ColumnKind> kinds;
};
ResultColumns ColumnsOf(const OdbcHandle& stmt, SQLSMALLINT columns);

class ResultReader {
 public:
  // The columns of `stmt`'s current result, named as `spelling` gives them (as the server
  // gives them without one).
  ResultReader(const OdbcHandle& stmt, SQLSMALLINT columns, const Spelling* spelling);
  // The same for columns learnt before, of a statement prepared once and run again.
  ResultReader(const ResultColumns& columns, const Spelling* spelling);
  // Appends every row of `stmt`'s current result; the number of rows read.
  size_t ReadRows(const OdbcHandle& stmt);
  // The same through arrays bound to `stmt` for this reader's columns.
  size_t ReadRows(const OdbcHandle& stmt, const BoundRows& bound);
  const std::vector<ColumnKind>& kinds() const { return kinds_; }
  const RecordsetPtr& records() const { return records_; }
  // A reader of the same columns into a recordset of its own, for a piece of the result read on
  // another thread.
  ResultReader Sibling() const;

 private:
  ResultReader() = default;

  std::vector<ColumnKind> kinds_;
  RecordsetPtr records_;
  StoppableRead* read_ = nullptr;  // the list's read that counts the rows, made on its thread
  Utf16Reader text_;               // one buffer for every text read
};

}  // namespace qmz::suite
