// Sorting a long base-data list by a title, beside SQLite sorting the same values: the list is
// read as the dialog reads it, then sorted by the batch number (text) and by the quantity
// (number), descending, each round from the order it was read in.
//
//   ours    Recordset::PrepareSort as the dialog runs it on its helper thread (the stop looked
//           at every few thousand records and comparisons), then SetSort with the view;
//   sqlite  the same column copied into an in-memory table of SQLite's C API and read back
//           with ORDER BY ... DESC (COLLATE NOCASE for the text, as ours ignores ASCII case).
//
// Usage: sort_bench --db FILE [--rounds N]
// Prints the medians in milliseconds and ours / sqlite.
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base_data_list/base_data_query.h"
#include "bench_support.h"
#include "platform/list_answer.h"
#include "platform/stoppable_read.h"
#include "qmz/recordset.h"
#include "qmz/suite.h"
#include "suite/middle_tier/class_info.h"

namespace {

using Clock = std::chrono::steady_clock;

using qmz::bench::Median;
using qmz::bench::MsSince;

double Ours(qmz::Recordset& rows, const std::string& sort) {
  rows.SetSort("");
  const Clock::time_point start = Clock::now();
  qmz::SortedView view;
  qmz::StoppableRead read([&] { view = rows.PrepareSort(sort, qmz::CountRowsOrStop); });
  read.Finish();
  rows.SetSort(std::move(view));
  return MsSince(start);
}

// The field's values of every record, in an in-memory table of SQLite, sorted there.
double Sqlite(qmz::Recordset& rows, const std::string& field, const std::string& order) {
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  sqlite3_exec(db, "create table t(v)", nullptr, nullptr, nullptr);
  sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "insert into t values (?)", -1, &insert, nullptr);
  rows.SetSort("");
  for (rows.MoveFirst(); !rows.Eof(); rows.MoveNext()) {
    const qmz::Variant value = rows.Value(field);
    if (value.IsText()) {
      const std::string text = value.ToText();
      sqlite3_bind_text(insert, 1, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    } else {
      sqlite3_bind_double(insert, 1, value.ToDouble());
    }
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
  const Clock::time_point start = Clock::now();
  sqlite3_stmt* select = nullptr;
  sqlite3_prepare_v2(db, ("select rowid from t order by v " + order).c_str(), -1, &select, nullptr);
  int64_t read = 0;
  while (sqlite3_step(select) == SQLITE_ROW) read += sqlite3_column_int64(select, 0) > 0;
  sqlite3_finalize(select);
  const double ms = MsSince(start);
  sqlite3_close(db);
  return read == rows.RecordCount() ? ms : -1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string db;
  int rounds = 5;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--db") db = argv[i + 1];
    if (option == "--rounds") rounds = std::atoi(argv[i + 1]);
  }
  if (db.empty() || rounds < 1) {
    std::fprintf(stderr, "usage: sort_bench --db FILE [--rounds N]\n");
    return 2;
  }
  qmz::suite::SetSuiteDatabase(db);
  qmz::RecordsetPtr rows;
  {
    qmz::ListAnswerScope list;
    rows = qmz::suite::SuiteClassInfo().GetData("", qmz::ComposeBaseDataQuery("", "", ""));
  }
  std::printf("sorting %d rows, %d rounds, medians\n", rows->RecordCount(), rounds);
  const struct {
    const char* field;
    const char* sqlite_order;
  } columns[] = {{"FBatchNo", "collate nocase desc"}, {"FQty", "desc"}};
  for (const auto& column : columns) {
    std::vector<double> ours, sqlite;
    for (int round = 0; round < rounds; ++round) {
      ours.push_back(Ours(*rows, std::string(column.field) + " DESC"));
      sqlite.push_back(Sqlite(*rows, column.field, column.sqlite_order));
    }
    std::printf("%-9s ours %8.1f ms   sqlite %8.1f ms   ours/sqlite %.2f\n", column.field,
                Median(ours), Median(sqlite), Median(ours) / Median(sqlite));
  }
  return 0;
}
