// The server answers as the embedded suite: the same generated data (40 warehouses, so that many
// rows tie on their sort keys; batch numbers with quotes, backslashes, brackets, wildcards and
// characters outside the BMP) on SQLite and on the server, and every list and lookup query the
// component composes, for search texts a user may type, compared row for row.
// Needs QMZ_TEST_SERVER (tests/pg/server.sh run).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base_data_list/base_data_query.h"
#include "inventory/aux_query.h"
#include "inventory/batch_query.h"
#include "inventory/lookup_query.h"
#include "qmz/error.h"
#include "suite/database.h"
#include "suite/middle_tier/demo_data.h"
#include "suite/middle_tier/inventory_schema.h"
#include "suite/middle_tier/suite_seed.h"
#include "suite/server/server_suite.h"
#include "suite/sqlite/sqlite_connection.h"

namespace qmz {
namespace {

const char* const kBatchNumbers[] = {"a'b", "x\\y", "[a]",     "]z",     "50%", "_x",
                                     "^c",  "B-1",  "b000001", "批次中", "😀b",  "a\"q"};
const char* const kSearchTexts[] = {"",      "1",     "'", "\\",   "[a]",    "[^]]", "[[:a]",
                                    "[z-a]", "[a-c]", "%", "_",    "b0000",  "中",   "😀",
                                    "]",     "[",     "^", "x\\y", "[^z-a]", "\""};

// Generated data and the odd batch numbers, for items 1 to 3.
void Fill(suite::SqliteConnection& db) {
  db.Exec(suite::InventorySchema());
  suite::FillLargeData(db, 3, 4, 40);
  db.Exec("update t_icitem set FISKFPeriod=1 where FItemID=1");  // item 1 keeps a shelf life
  for (const char* table : {"t_cc_inventory", "ICInvInitial"}) {
    const bool initial = std::string(table) == "ICInvInitial";
    suite::Statement insert(
        db, std::string("insert into ") + table +
                (initial ? " (FItemID, FStockID, FAuxPropID, FBatchNo, FQty, Fprice, FAmount)"
                         : " (FItemID, FStockID, FAuxPropID, FBatchNo, FQty, FBal, FSecQty)") +
                " values (1, ?, ?, ?, ?, 2.5, ?)");
    int64_t n = 0;
    for (const char* batch : kBatchNumbers) {
      for (int64_t stock = 1; stock <= 3; ++stock, ++n) {
        insert.Bind(1, stock);
        insert.Bind(2, n % 4);
        insert.Bind(3, std::string(batch));
        insert.Bind(4, static_cast<double>(n % 5));
        insert.Bind(5, static_cast<double>(n));
        insert.Step();
        insert.Reset();
      }
    }
  }
  suite::SeedSuiteTables(db, {});
}

// Every row of an answer, its values as texts, or the error.
std::string Rows(suite::Database& db, const std::string& sql) {
  try {
    RecordsetPtr rows = db.RunTsql(sql);
    std::string text = std::to_string(rows->RecordCount()) + " rows\n";
    for (int32_t r = 1; r <= rows->RecordCount(); ++r) {
      for (const Variant& value : rows->RecordValues(r)) {
        text += (value.IsNull() ? "NULL" : value.ToText()) + "|";
      }
      text += "\n";
    }
    return text;
  } catch (const Error& e) {
    return std::string("error: ") + e.what();
  }
}

// The queries of the lists and lookups for one search text.
std::vector<std::string> Queries(const std::string& text) {
  std::vector<std::string> queries;
  for (bool closed : {true, false}) {
    for (BatchPicker picker : {BatchPicker::kStock, BatchPicker::kSelectBatchNo}) {
      queries.push_back(ComposeBatchListQuery(
          picker, {.closed = closed, .item_id = 1, .show_zero = true, .box_text = text}));
    }
    queries.push_back(ComposeAuxListQuery({.closed = closed, .item_id = 1, .box_text = text}));
    queries.push_back(ComposeBatchLookupSql({.item_id = 1, .text = text}, closed, ""));
    queries.push_back(ComposeAuxLookupSql({.item_id = 1, .text = text}, closed, ""));
  }
  // The base-data list keeps quotes out of its search box.
  if (text.find('\'') == std::string::npos) {
    queries.push_back(ComposeBaseDataQuery(text, "", ""));
    queries.push_back(ComposeBatchRowsQuery(text, "", "", ""));
  }
  return queries;
}

TEST(ParityTest, ListsAndLookupsAnswerTheSameRowsInTheSameOrderOnBothDatabases) {
  const char* server = std::getenv("QMZ_TEST_SERVER");
  if (server == nullptr) GTEST_SKIP() << "run through tests/pg/server.sh";
  const std::string file = (std::filesystem::temp_directory_path() /
                            ("qmz_parity_" + std::to_string(::getpid()) + ".db"))
                               .string();
  std::remove(file.c_str());
  {
    suite::SqliteConnection built(file, true);
    Fill(built);
    suite::CopySuiteToServer(built, *suite::OpenDatabase(server));
  }
  auto embedded = suite::OpenDatabase(file);
  auto remote = suite::OpenDatabase(server);
  int answered = 0, with_rows = 0;
  for (const char* text : kSearchTexts) {
    for (const std::string& sql : Queries(text)) {
      const std::string expected = Rows(*embedded, sql);
      EXPECT_EQ(Rows(*remote, sql), expected) << "search text " << text << "\n" << sql;
      answered += expected.rfind("error", 0) != 0;
      with_rows += expected.find("\n", expected.find('\n') + 1) != std::string::npos;
    }
  }
  std::remove(file.c_str());
  // The comparison is of real answers: most queries run, and many find rows.
  EXPECT_GT(answered, 150);
  EXPECT_GT(with_rows, 100);
}

}  // namespace
}  // namespace qmz
