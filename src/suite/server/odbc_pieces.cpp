#include "suite/server/odbc_pieces.h"

#include "suite/server/odbc_api.h"

#include <cstring>
#include <future>
#include <memory>
#include <optional>
#include <utility>

#include "platform/text.h"
#include "qmz/error.h"
#include "suite/server/wide_text.h"
#include "suite/tsql/tsql_tokens.h"

namespace qmz::suite {

namespace {

constexpr int kPieceRows = 5000;

// Autocommit off for the cursor's transaction, and back on after it; nothing when the caller
// already runs a transaction, whose cursor then ends with the transaction.
class CursorTransaction {
 public:
  explicit CursorTransaction(OdbcConnection& connection)
      : connection_(connection), owned_(connection.autocommit()) {
    if (owned_) connection_.SetAutocommit(false);
  }
  ~CursorTransaction() {
    if (!owned_) return;
    // Left without End: a failure is on its way to the caller.
    SQLEndTran(SQL_HANDLE_DBC, connection_.dbc(), SQL_ROLLBACK);
    connection_.TransactionEnded();
    connection_.MarkBroken();
    try {
      connection_.SetAutocommit(true);
    } catch (const Error&) {
    }
  }
  CursorTransaction(const CursorTransaction&) = delete;
  CursorTransaction& operator=(const CursorTransaction&) = delete;

  bool owned() const { return owned_; }
  // Commits the transaction, which closes the cursor (and drops a table made of the answer); in the
  // caller's transaction `stmt` closes the cursor itself.
  void End(const OdbcStatement& stmt) {
    if (!owned_) {
      stmt.Run(u"close qmz_rows");
      stmt.Close();
      return;
    }
    connection_.handle().Check(SQLEndTran(SQL_HANDLE_DBC, connection_.dbc(), SQL_COMMIT));
    connection_.TransactionEnded();
    connection_.SetAutocommit(true);
    owned_ = false;
  }

 private:
  OdbcConnection& connection_;
  bool owned_ = false;
};

std::string FetchPiece() {
  return "fetch " + std::to_string(kPieceRows) + " from qmz_rows";
}

// The cursor over `query` and its first piece, in one request.
std::string DeclareAndFetch(const std::string& query) {
  return "declare qmz_rows no scroll cursor for " + query + ";\n" + FetchPiece();
}

// Past the declaration's result to the first piece's rows.
void SkipToRows(const OdbcStatement& stmt) {
  while (stmt.ColumnCount() == 0) {
    const SQLRETURN rc = SQLMoreResults(stmt.get());
    if (rc == SQL_NO_DATA) throw Error("The cursor of the answer returned no rows");
    stmt.Check(rc);
  }
}

// The rows of a piece, or -1 when the driver does not say.
SQLLEN PieceRows(const OdbcStatement& stmt) {
  SQLLEN rows = -1;
  return OdbcOk(SQLRowCount(stmt.get(), &rows)) ? rows : -1;
}

// Whether a piece of `rows` rows may be followed by another: it is full, or the driver does not
// say.
bool MayHaveMore(SQLLEN rows) {
  return rows < 0 || rows >= kPieceRows;
}

// Whether a LIMIT may be put at the end of `select`: it has no LIMIT, OFFSET, FETCH or FOR
// clause of its own (nor those words anywhere, to be sure).
bool TakesALimit(const std::string& select) {
  const std::string text = ToLowerAscii(select);
  for (const char* word : {"limit", "offset", "fetch", "for"}) {
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
      const size_t end = at + std::strlen(word);
      const bool starts = at == 0 || !IsWordChar(text[at - 1]);
      const bool ends = end == text.size() || !IsWordChar(text[end]);
      if (starts && ends) return false;
    }
  }
  return true;
}

// Whether the server would run `select` in parallel as a plain statement: a cursor never runs in
// parallel, a table made from the statement may.
bool RunsInParallel(OdbcConnection& connection, const OdbcStatement& stmt,
                    const std::string& select, long timeout) {
  connection.Run(stmt, "explain " + select, timeout);
  bool parallel = false;
  for (SQLRETURN rc; (rc = SQLFetch(stmt.get())) != SQL_NO_DATA;) {
    stmt.Check(rc);
    const auto line = ColumnText(stmt, 1);
    if (line && line->find("Gather") != std::string::npos) parallel = true;
  }
  stmt.Close();
  return parallel;
}

// After a failed materialization, back to before it. When the driver already undid the failed
// statement (psqlODBC's statement-level rollback), the savepoint is gone with it and the undo
// fails harmlessly.
void UndoMaterializing(const OdbcStatement& stmt) {
  try {
    stmt.Run(u"rollback to savepoint qmz_answer");
  } catch (const Error&) {
  }
  stmt.Close();
}

// One piece on one statement, worked on a helper thread: fetched (unless it came with the
// declaration), then read into a recordset of its own. `fetched` is ready, with the piece's rows
// (-1 when the driver does not say), as soon as the cursor is past the piece.
struct PieceWork {
  std::future<SQLLEN> fetched;
  std::future<RecordsetPtr> rows;
};

PieceWork StartPiece(ResultReader reader, const OdbcStatement& stmt, const BoundRows& bound,
                     const std::u16string* fetch) {
  auto fetched = std::make_shared<std::promise<SQLLEN>>();
  PieceWork work;
  work.fetched = fetched->get_future();
  work.rows = std::async(
      std::launch::async,
      [reader = std::move(reader), &stmt, &bound, fetch, fetched]() mutable -> RecordsetPtr {
        try {
          if (fetch) {
            const SQLRETURN rc = stmt.Execute(*fetch);
            if (rc == SQL_NO_DATA) {
              fetched->set_value(0);
              return nullptr;
            }
            stmt.Check(rc);
          }
          fetched->set_value(PieceRows(stmt));
        } catch (...) {
          fetched->set_exception(std::current_exception());
          throw;
        }
        reader.ReadRows(stmt, bound);
        stmt.Close();
        return reader.records();
      });
  return work;
}

// Reads the first piece and every next one. Two helper threads take the pieces in turn, one on
// each statement: while one reads its piece, the other fetches the next and reads it too, and
// the pieces join the answer in order.
void ReadTheRest(ResultReader& reader, OdbcStatement& first, const std::u16string& fetch) {
  // Declared before the work, so that the helper threads have ended before they go.
  OdbcStatement second(first.connection(), 0);  // only fetches, in the settled transaction
  BoundRows first_rows(first, reader.kinds());
  BoundRows second_rows(second, reader.kinds());
  const OdbcStatement* statements[2] = {&first, &second};
  const BoundRows* bound[2] = {&first_rows, &second_rows};
  PieceWork work[2];
  work[0] = StartPiece(reader.Sibling(), first, first_rows, nullptr);
  for (int s = 0;; s = 1 - s) {
    // The next piece is fetched once the cursor is past this one, on the other statement, whose
    // last piece has been read.
    const SQLLEN rows = work[s].fetched.get();
    const bool more = MayHaveMore(rows);
    if (more) work[1 - s] = StartPiece(reader.Sibling(), *statements[1 - s], *bound[1 - s], &fetch);
    if (RecordsetPtr piece = work[s].rows.get()) reader.records()->AppendRecordsOf(*piece);
    if (!more) break;
  }
}

}  // namespace

bool ReadsInPieces(const std::string& statement) {
  const size_t at = statement.find_first_not_of(" \t\r\n(");
  if (at == std::string::npos) return false;
  const std::string_view query = std::string_view(statement).substr(at);
  return StartsWithWord(query, "select") || StartsWithWord(query, "with");
}

namespace {

// A lookup's answer is short: read in the one round trip that asks for it, as a plain statement of
// at most a piece and a row, which the driver reads whole (a statement that has a limit of its
// own: a cursor that lives in that round trip); null when it is longer, to be read again through a
// cursor of a transaction of its own.
RecordsetPtr ReadShort(OdbcConnection& connection, const std::string& select, long timeout,
                       const Spelling* spelling, const Parameterized* parameterized) {
  const bool limited = TakesALimit(select);
  const std::string limit = " limit " + std::to_string(kPieceRows + 1);
  const bool parameters = limited && parameterized && parameterized->statement;
  if (parameters) {
    if (RecordsetPtr answer = connection.ReadOnLibpq(*parameterized->statement + limit,
                                                     parameterized->types, parameterized->values,
                                                     parameterized->arguments, spelling, timeout)) {
      return answer->RecordCount() <= kPieceRows ? answer : nullptr;
    }
  }
  connection.StreamRows(!limited);
  DriverStatement* kept = nullptr;
  std::optional<OdbcStatement> own;
  if (parameters) {
    const std::string statement = *parameterized->statement + limit;
    kept = connection.RunKept(statement, parameterized->types, parameterized->values, timeout);
    if (kept == nullptr) {
      own.emplace(connection.dbc(), connection.DriverTimeout(timeout));
      connection.RunPrepared(*own, select + limit, statement, parameterized->types,
                             parameterized->arguments, timeout);
    }
  } else {
    own.emplace(connection.dbc(), connection.DriverTimeout(timeout));
    connection.Run(*own, limited ? select + limit : DeclareAndFetch(select), timeout);
  }
  connection.StreamRows(true);
  const OdbcStatement& answered = kept ? kept->stmt() : *own;
  SkipToRows(answered);
  const SQLLEN rows = PieceRows(answered);
  RecordsetPtr records;
  if (rows >= 0 && rows <= (limited ? kPieceRows : kPieceRows - 1)) {
    if (kept) {
      records = kept->ReadAnswer(spelling);
    } else {
      ResultReader reader(*own, own->ColumnCount(), spelling);
      reader.ReadRows(*own);
      records = reader.records();
    }
  }
  answered.Close();
  return records;
}

}  // namespace

RecordsetPtr ReadInPieces(OdbcConnection& connection, const std::string& select, long timeout,
                          const Spelling* spelling, bool list, const Parameterized* parameterized) {
  if (!list && connection.autocommit()) {
    if (RecordsetPtr records = ReadShort(connection, select, timeout, spelling, parameterized)) {
      return records;
    }
  }
  connection.StreamRows(true);
  OdbcStatement first(connection.dbc(), connection.DriverTimeout(timeout));
  CursorTransaction transaction(connection);
  // The cursor and its first piece in one round trip; for a list the server would sort or scan
  // in parallel, over the table it makes of the answer in parallel.
  // A server that writes nothing (a standby) makes no table: the cursor reads the statement.
  if (list && transaction.owned() && !connection.read_only() &&
      RunsInParallel(connection, first, select, timeout)) {
    try {
      connection.Run(first,
                     "savepoint qmz_answer;\ncreate temp table qmz_answer on commit drop as " +
                         select + ";\n" + DeclareAndFetch("select * from qmz_answer"),
                     timeout);
    } catch (const Error&) {
      // An answer no table can hold (two columns of one name), a role that may make no
      // temporary table, or a transaction that may not write (a server turned read-only since
      // the connection was made): the cursor over the statement. Any other failure is the
      // caller's.
      const std::string state = OdbcState(SQL_HANDLE_STMT, first.get());
      if (state != "42701" && state != "42501" && state != "25006") throw;
      first.Close();
      UndoMaterializing(first);
      connection.Run(first, DeclareAndFetch(select), timeout);
    }
  } else {
    connection.Run(first, DeclareAndFetch(select), timeout);
  }
  SkipToRows(first);
  ResultReader reader(first, first.ColumnCount(), spelling);
  const SQLLEN rows = PieceRows(first);
  if (MayHaveMore(rows)) {
    ReadTheRest(reader, first, Utf8ToUtf16(FetchPiece()));
  } else if (rows > static_cast<SQLLEN>(BoundRows::kRows)) {
    BoundRows rows(first, reader.kinds());  // the whole answer came with the declaration
    reader.ReadRows(first, rows);
    first.Close();
  } else {
    reader.ReadRows(first);  // a few rows: not worth the arrays
    first.Close();
  }
  transaction.End(first);
  return reader.records();
}

}  // namespace qmz::suite
