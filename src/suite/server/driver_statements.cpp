#include "suite/server/driver_statements.h"

#include "suite/server/odbc_api.h"

#include <algorithm>
#include <cctype>

#include "platform/text.h"
#include "suite/server/wide_text.h"

namespace qmz::suite {

namespace {

// The rows one fetch of a kept statement's answer brings: a lookup's answer is a row or a few.
constexpr size_t kFetchedRows = 16;

std::string KeyOf(const std::string& statement, const std::string& types) {
  return types + "\n" + statement;
}

// A marker as PREPARE would type its parameter: bare for `unknown`, else cast.
std::string Marker(const std::string& type) {
  return type == "unknown" ? "?" : "?::" + type;
}

}  // namespace

std::optional<MarkedStatement> WithMarkers(const std::string& statement, const std::string& types) {
  if (statement.find_first_of("?\\") != std::string::npos) return std::nullopt;
  const std::vector<std::string> typed =
      types.empty() ? std::vector<std::string>{} : SplitText(types, ',');
  MarkedStatement marked;
  marked.text.reserve(statement.size() + 8 * typed.size());
  for (size_t i = 0; i < statement.size();) {
    const size_t sign = statement.find('$', i);
    marked.text.append(statement, i, sign == std::string::npos ? std::string::npos : sign - i);
    if (sign == std::string::npos) break;
    size_t end = sign + 1;
    size_t number = 0;
    while (end < statement.size() && std::isdigit(static_cast<unsigned char>(statement[end])) &&
           number <= typed.size()) {
      number = number * 10 + static_cast<size_t>(statement[end++] - '0');
    }
    if (number == 0 || number > typed.size()) return std::nullopt;
    marked.text += Marker(std::string(Trim(typed[number - 1])));
    marked.order.push_back(number - 1);
    i = end;
  }
  return marked;
}

RecordsetPtr DriverStatement::ReadAnswer(const Spelling* spelling) {
  if (!columns_) {
    columns_ = ColumnsOf(stmt_, stmt_.ColumnCount());
    bound_ = std::make_unique<BoundRows>(stmt_, columns_->kinds, kFetchedRows);
  }
  ResultReader reader(*columns_, spelling);
  reader.ReadRows(stmt_, *bound_);
  return reader.records();
}

DriverStatement* DriverStatements::Made(SQLHDBC dbc, const std::string& key,
                                        const std::string& statement, const std::string& types) {
  std::optional<MarkedStatement> marked = WithMarkers(statement, types);
  if (!marked) {
    kept_.Refuse(key);
    return nullptr;
  }
  kept_.MakeRoom();  // the statement given up is freed here
  auto made = std::make_unique<DriverStatement>(dbc);
  made->stmt_.Prepare(Utf8ToUtf16(marked->text));
  made->order_ = std::move(marked->order);
  made->texts_.resize(made->order_.size());
  made->lengths_.resize(made->order_.size());
  return kept_.Keep(key, std::move(made)).get();
}

DriverStatement* DriverStatements::Bound(SQLHDBC dbc, const std::string& statement,
                                         const std::string& types,
                                         const std::vector<Variant>& values) {
  const std::string key = KeyOf(statement, types);
  DriverStatement* kept = nullptr;
  if (std::unique_ptr<DriverStatement>* found = kept_.Find(key)) {
    kept = found->get();
  } else {
    if (!kept_.Due(key)) return nullptr;
    kept = Made(dbc, key, statement, types);
    if (kept == nullptr) return nullptr;
  }
  const OdbcStatement& stmt = kept->stmt_;
  for (size_t m = 0; m < kept->order_.size(); ++m) {
    const size_t value = kept->order_[m];
    if (value >= values.size()) return nullptr;
    std::u16string& text = kept->texts_[m];
    text = Utf8ToUtf16(values[value].ToText());
    kept->lengths_[m] = static_cast<SQLLEN>(text.size() * sizeof(char16_t));
    stmt.Check(SQLBindParameter(stmt.get(), static_cast<SQLUSMALLINT>(m + 1), SQL_PARAM_INPUT,
                                SQL_C_WCHAR, SQL_WVARCHAR, std::max<SQLULEN>(1, text.size()), 0,
                                reinterpret_cast<SQLWCHAR*>(text.data()), kept->lengths_[m],
                                &kept->lengths_[m]));
  }
  return kept;
}

void DriverStatements::Forget(const std::string& statement, const std::string& types) {
  kept_.Forget(KeyOf(statement, types));
}

void DriverStatements::Refuse(const std::string& statement, const std::string& types) {
  kept_.Refuse(KeyOf(statement, types));
}

}  // namespace qmz::suite
