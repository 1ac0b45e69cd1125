#include "suite/server/odbc_result.h"

#include "suite/server/odbc_api.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"
#include "suite/server/wide_text.h"

namespace qmz::suite {

OdbcStatement::OdbcStatement(SQLHDBC dbc, long timeout)
    : OdbcHandle(SQL_HANDLE_STMT, dbc), dbc_(dbc), cancel_(CurrentRead(), [this] {
        // Only while the driver runs it: SQLCancel would otherwise close the statement under
        // the thread that reads it.
        if (executing_.load()) SQLCancel(get());
      }) {
  if (timeout > 0) {
    Check(SQLSetStmtAttr(get(), SQL_ATTR_QUERY_TIMEOUT,
                         reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(timeout)), 0));
  }
}

void OdbcStatement::Run(const std::u16string& sql) const {
  const SQLRETURN rc = Execute(sql);
  if (rc != SQL_NO_DATA) Check(rc);
}

SQLRETURN OdbcStatement::Execute(const std::u16string& sql) const {
  auto* text = reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(sql.data()));
  executing_.store(true);
  const SQLRETURN rc = SQLExecDirectW(get(), text, static_cast<SQLINTEGER>(sql.size()));
  executing_.store(false);
  return rc;
}

void OdbcStatement::Prepare(const std::u16string& sql) const {
  auto* text = reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(sql.data()));
  Check(SQLPrepareW(get(), text, static_cast<SQLINTEGER>(sql.size())));
}

SQLRETURN OdbcStatement::Execute() const {
  executing_.store(true);
  const SQLRETURN rc = SQLExecute(get());
  executing_.store(false);
  return rc;
}

void OdbcStatement::Close() const {
  Check(SQLFreeStmt(get(), SQL_CLOSE));
}

SQLSMALLINT OdbcStatement::ColumnCount() const {
  SQLSMALLINT columns = 0;
  Check(SQLNumResultCols(get(), &columns));
  return columns;
}

std::optional<std::string> ColumnText(const OdbcHandle& stmt, SQLUSMALLINT column) {
  Utf16Reader text;
  if (!ReadText(stmt, column, text)) return std::nullopt;
  return text.Finish();
}

bool ReadText(const OdbcHandle& stmt, SQLUSMALLINT column, Utf16Reader& text) {
  text.Clear();
  char16_t buffer[2048];
  for (;;) {
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(stmt.get(), column, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
    if (rc == SQL_NO_DATA) break;
    stmt.Check(rc);
    if (indicator == SQL_NULL_DATA) return false;
    const size_t capacity = std::size(buffer) - 1;
    const size_t units =
        indicator == SQL_NO_TOTAL ||
                indicator / static_cast<SQLLEN>(sizeof(char16_t)) > static_cast<SQLLEN>(capacity)
            ? capacity
            : static_cast<size_t>(indicator) / sizeof(char16_t);
    text.Append(buffer, units);
    if (rc == SQL_SUCCESS) break;
  }
  return true;
}

std::string Spelling::operator()(size_t column, const std::string& given) const {
  if (select_names && column < select_names->size() &&
      ToLowerAscii((*select_names)[column]) == given) {
    return (*select_names)[column];
  }
  if (!batch_names) return given;
  auto spelled = batch_names->find(given);
  return spelled != batch_names->end() ? spelled->second : given;
}

namespace {

ColumnKind KindOf(SQLLEN type) {
  switch (type) {
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
      return ColumnKind::kInteger;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_NUMERIC:
    case SQL_DECIMAL:
      return ColumnKind::kDouble;
    default:
      return ColumnKind::kText;
  }
}

}  // namespace

ResultColumns ColumnsOf(const OdbcHandle& stmt, SQLSMALLINT columns) {
  ResultColumns result;
  for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
    // SQL_DESC_TYPE is the concise type for every kind but dates and intervals, which are read
    // as texts anyway.
    char16_t name[256];
    SQLSMALLINT name_bytes = 0;
    SQLLEN type = 0;
    stmt.Check(SQLColAttributeW(stmt.get(), c, SQL_DESC_NAME, name,
                                static_cast<SQLSMALLINT>(sizeof name - sizeof name[0]), &name_bytes,
                                nullptr));
    stmt.Check(SQLColAttributeW(stmt.get(), c, SQL_DESC_TYPE, nullptr, 0, nullptr, &type));
    const size_t units = std::min<size_t>(
        static_cast<size_t>(std::max<SQLSMALLINT>(name_bytes, 0)) / sizeof(char16_t),
        std::size(name) - 1);
    result.names.push_back(Utf16ToUtf8({name, units}));
    result.kinds.push_back(KindOf(type));
  }
  return result;
}

ResultReader::ResultReader(const OdbcHandle& stmt, SQLSMALLINT columns, const Spelling* spelling)
    : ResultReader(ColumnsOf(stmt, columns), spelling) {}

ResultReader::ResultReader(const ResultColumns& columns, const Spelling* spelling)
    : kinds_(columns.kinds) {
  std::vector<std::string> names;
  names.reserve(columns.names.size());
  for (size_t c = 0; c < columns.names.size(); ++c) {
    names.push_back(spelling ? (*spelling)(c, columns.names[c]) : columns.names[c]);
  }
  records_ = std::make_shared<Recordset>(std::move(names));
  read_ = CurrentRead();
}

ResultReader ResultReader::Sibling() const {
  std::vector<std::string> names;
  for (int32_t c = 0; c < records_->FieldCount(); ++c) names.push_back(records_->FieldName(c));
  ResultReader sibling;
  sibling.kinds_ = kinds_;
  sibling.records_ = std::make_shared<Recordset>(std::move(names));
  sibling.read_ = read_;
  return sibling;
}

size_t ResultReader::ReadRows(const OdbcHandle& stmt) {
  size_t rows = 0;
  for (SQLRETURN rc; (rc = SQLFetch(stmt.get())) != SQL_NO_DATA; ++rows) {
    stmt.Check(rc);
    for (SQLUSMALLINT c = 1; c <= kinds_.size(); ++c) {
      SQLLEN indicator = 0;
      switch (kinds_[c - 1]) {
        case ColumnKind::kInteger: {
          SQLBIGINT value = 0;
          stmt.Check(SQLGetData(stmt.get(), c, SQL_C_SBIGINT, &value, 0, &indicator));
          indicator == SQL_NULL_DATA ? records_->AppendNull() : records_->AppendInteger(value);
          break;
        }
        case ColumnKind::kDouble: {
          double value = 0;
          stmt.Check(SQLGetData(stmt.get(), c, SQL_C_DOUBLE, &value, 0, &indicator));
          indicator == SQL_NULL_DATA ? records_->AppendNull() : records_->AppendDouble(value);
          break;
        }
        case ColumnKind::kText:
          ReadText(stmt, c, text_) ? records_->AppendText(text_.Text()) : records_->AppendNull();
          break;
      }
    }
    records_->EndRecord();
    if (read_ && (rows + 1) % BoundRows::kRows == 0) {
      read_->CountRows(BoundRows::kRows);
      ThrowIfStopped(read_);
    }
  }
  return rows;
}

size_t ResultReader::ReadRows(const OdbcHandle& stmt, const BoundRows& bound) {
  size_t rows = 0;
  for (SQLRETURN rc; (rc = SQLFetch(stmt.get())) != SQL_NO_DATA;) {
    stmt.Check(rc);  // with info when a text did not fit its cell
    for (size_t row = 0; row < bound.fetched(); ++row) {
      for (size_t c = 0; c < kinds_.size(); ++c) {
        if (bound.indicator(c, row) == SQL_NULL_DATA) {
          records_->AppendNull();
          continue;
        }
        switch (kinds_[c]) {
          case ColumnKind::kInteger:
            records_->AppendInteger(bound.integer(c, row));
            break;
          case ColumnKind::kDouble:
            records_->AppendDouble(bound.number(c, row));
            break;
          case ColumnKind::kText:
            if (auto cell = bound.text(c, row)) {
              text_.Clear();
              text_.Append(cell->data(), cell->size());
            } else {
              stmt.Check(SQLSetPos(stmt.get(), static_cast<SQLSETPOSIROW>(row + 1), SQL_POSITION,
                                   SQL_LOCK_NO_CHANGE));
              ReadText(stmt, static_cast<SQLUSMALLINT>(c + 1), text_);
            }
            records_->AppendText(text_.Text());
            break;
        }
      }
      records_->EndRecord();
    }
    rows += bound.fetched();
    if (read_) {
      read_->CountRows(static_cast<int64_t>(bound.fetched()));
      ThrowIfStopped(read_);
    }
  }
  return rows;
}

BoundRows::BoundRows(const OdbcHandle& stmt, const std::vector<ColumnKind>& kinds, size_t rows)
    : stmt_(stmt), rows_(rows), indicators_(kinds.size() * rows) {
  size_t size = 0;
  for (ColumnKind kind : kinds) {
    offsets_.push_back(size);
    size += rows_ * (kind == ColumnKind::kText ? kTextUnits * sizeof(char16_t) : 8);
  }
  data_ = std::make_unique_for_overwrite<char[]>(size);  // every cell is written before read
  stmt.Check(
      SQLSetStmtAttr(stmt.get(), SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rows_), 0));
  stmt.Check(SQLSetStmtAttr(stmt.get(), SQL_ATTR_ROWS_FETCHED_PTR, &fetched_, 0));
  for (size_t c = 0; c < kinds.size(); ++c) {
    static constexpr SQLSMALLINT kTypes[] = {SQL_C_SBIGINT, SQL_C_DOUBLE, SQL_C_WCHAR};
    const bool text = kinds[c] == ColumnKind::kText;
    stmt.Check(SQLBindCol(stmt.get(), static_cast<SQLUSMALLINT>(c + 1),
                          kTypes[static_cast<int>(kinds[c])], data_.get() + offsets_[c],
                          text ? kTextUnits * sizeof(char16_t) : 8, &indicators_[c * rows_]));
  }
}

BoundRows::~BoundRows() {
  SQLFreeStmt(stmt_.get(), SQL_UNBIND);
  SQLSetStmtAttr(stmt_.get(), SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
  SQLSetStmtAttr(stmt_.get(), SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
}

SQLBIGINT BoundRows::integer(size_t column, size_t row) const {
  SQLBIGINT value;
  std::memcpy(&value, data_.get() + offsets_[column] + row * 8, sizeof value);
  return value;
}

double BoundRows::number(size_t column, size_t row) const {
  double value;
  std::memcpy(&value, data_.get() + offsets_[column] + row * 8, sizeof value);
  return value;
}

std::optional<std::u16string_view> BoundRows::text(size_t column, size_t row) const {
  const SQLLEN bytes = indicator(column, row);
  if (bytes == SQL_NO_TOTAL || bytes < 0 ||
      static_cast<size_t>(bytes) >= kTextUnits * sizeof(char16_t)) {
    return std::nullopt;
  }
  const auto* cell = reinterpret_cast<const char16_t*>(data_.get() + offsets_[column] +
                                                       row * kTextUnits * sizeof(char16_t));
  return std::u16string_view(cell, static_cast<size_t>(bytes) / sizeof(char16_t));
}

}  // namespace qmz::suite
