#include "suite/odbc_pieces.h"

#include <sqlext.h>

#include <cctype>
#include <future>
#include <optional>
#include <utility>

#include "platform/text.h"
#include "qmz/error.h"
#include "suite/wide_text.h"

namespace qmz::suite {

namespace {

constexpr int kPieceRows = 10000;

// Autocommit off for the cursor's transaction, and back on after it; nothing when the caller
// already runs a transaction, whose cursor then ends with the transaction.
class CursorTransaction {
 public:
  explicit CursorTransaction(OdbcConnection& connection) : connection_(connection) {
    SQLULEN autocommit = SQL_AUTOCOMMIT_ON;
    connection_.handle().Check(SQLGetConnectAttr(connection_.dbc(), SQL_ATTR_AUTOCOMMIT,
                                                 &autocommit, sizeof autocommit, nullptr));
    owned_ = autocommit == SQL_AUTOCOMMIT_ON;
    if (owned_) SetAutocommit(SQL_AUTOCOMMIT_OFF);
  }
  ~CursorTransaction() {
    if (!owned_) return;
    // Left without Commit: a failure is on its way to the caller.
    SQLEndTran(SQL_HANDLE_DBC, connection_.dbc(), SQL_ROLLBACK);
    connection_.broken = true;
    SQLSetConnectAttr(connection_.dbc(), SQL_ATTR_AUTOCOMMIT,
                      reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
  }
  CursorTransaction(const CursorTransaction&) = delete;
  CursorTransaction& operator=(const CursorTransaction&) = delete;

  void Commit() {
    if (!owned_) return;
    connection_.handle().Check(SQLEndTran(SQL_HANDLE_DBC, connection_.dbc(), SQL_COMMIT));
    SetAutocommit(SQL_AUTOCOMMIT_ON);
    owned_ = false;
  }

 private:
  void SetAutocommit(SQLULEN value) {
    connection_.handle().Check(SQLSetConnectAttr(connection_.dbc(), SQL_ATTR_AUTOCOMMIT,
                                                 reinterpret_cast<SQLPOINTER>(value), 0));
  }

  OdbcConnection& connection_;
  bool owned_ = false;
};

// Runs the fetch on `stmt` on a helper thread; the future's end waits for it.
std::future<SQLRETURN> FetchAhead(const OdbcStatement& stmt, const std::u16string& fetch) {
  return std::async(std::launch::async, [&stmt, &fetch] {
    auto* text = reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(fetch.data()));
    return SQLExecDirectW(stmt.get(), text, static_cast<SQLINTEGER>(fetch.size()));
  });
}

// The rows of the piece `stmt` fetched, or none when the fetch found no rows.
size_t ReadPiece(ResultReader& reader, const OdbcStatement& stmt, SQLRETURN fetched) {
  if (fetched == SQL_NO_DATA) return 0;
  stmt.Check(fetched);
  return reader.ReadRows(stmt);
}

}  // namespace

bool ReadsInPieces(const std::string& statement) {
  const size_t at = statement.find_first_not_of(" \t\r\n(");
  if (at == std::string::npos || !EqualsIgnoreCase(statement.substr(at, 6), "select")) {
    return false;
  }
  const size_t after = at + 6;
  return after == statement.size() ||
         !(std::isalnum(static_cast<unsigned char>(statement[after])) || statement[after] == '_');
}

RecordsetPtr ReadInPieces(OdbcConnection& connection, const std::string& select, long timeout,
                          const Spelling* spelling) {
  const std::u16string declare = Utf8ToUtf16("declare qmz_rows no scroll cursor for " + select);
  const std::u16string fetch =
      Utf8ToUtf16("fetch " + std::to_string(kPieceRows) + " from qmz_rows");
  CursorTransaction transaction(connection);
  // Declared before the fetch ahead, so that the helper thread has ended before they go.
  OdbcStatement current(connection.dbc(), timeout);
  OdbcStatement next(connection.dbc(), timeout);
  current.Run(declare);
  current.Close();
  current.Run(fetch);
  ResultReader reader(current, current.ColumnCount(), spelling);
  OdbcStatement* reading = &current;
  OdbcStatement* fetching = &next;
  for (SQLRETURN fetched = SQL_SUCCESS;;) {
    std::future<SQLRETURN> ahead = FetchAhead(*fetching, fetch);
    const size_t rows = ReadPiece(reader, *reading, fetched);
    fetched = ahead.get();
    reading->Close();
    std::swap(reading, fetching);
    if (rows < static_cast<size_t>(kPieceRows)) break;
  }
  reading->Close();
  reading->Run(u"close qmz_rows");
  reading->Close();
  transaction.Commit();
  return reader.records();
}

}  // namespace qmz::suite
