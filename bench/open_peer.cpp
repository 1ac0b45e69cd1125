// The peer of opening a list: the same statements as the limit (open_workload.h), run the way a
// Qt program shows a query in a view: Qt's SQLite driver, a QSqlQueryModel on the result,
// fetched to its last row (while canFetchMore: fetchMore). The suite's collation TSQL and
// T-SQL functions are registered on the driver's own sqlite3 handle.
//
// Each batch runs on a connection of its own, like the suite runs it; of each batch the first
// statement that returns columns is the model's query, the others are stepped to their end.
//
// Usage: open_peer --db FILE --trace FILE
// Prints "rows=N" (the largest result) and one "batch=K rows=N columns=C" per batch.
// Exit 0 done, 1 failed, 2 bad arguments.
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QVariant>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "open_workload.h"
#include "suite/sqlite/sqlite_connection.h"

namespace {

std::string Message(const QSqlError& error) {
  return error.text().toStdString();
}

sqlite3* Handle(const QSqlDatabase& db) {
  QVariant handle = db.driver()->handle();
  if (!handle.isValid() || std::string(handle.typeName()) != "sqlite3*") {
    throw std::runtime_error("Qt's SQLite driver gave no sqlite3 handle");
  }
  sqlite3* connection = *static_cast<sqlite3* const*>(handle.data());
  if (!connection) throw std::runtime_error("the connection is not open");
  return connection;
}

// Runs one batch on a new connection; answers the rows and columns of its result.
std::pair<int, int> RunTsql(const QString& name, const std::string& database,
                            const std::vector<std::string>& statements) {
  QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
  db.setDatabaseName(QString::fromStdString(database));
  db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=5000");
  if (!db.open())
    throw std::runtime_error("cannot open " + database + ": " + Message(db.lastError()));
  qmz::suite::RegisterSuiteFunctions(Handle(db));
  for (const char* pragma : qmz::bench::kColumnNamePragmas) {
    QSqlQuery query(db);
    if (!query.exec(pragma)) throw std::runtime_error(Message(query.lastError()));
  }

  QSqlQueryModel model;
  bool have_result = false;
  for (const std::string& text : statements) {
    QSqlQuery query(db);
    if (!query.exec(QString::fromStdString(text))) {
      throw std::runtime_error(Message(query.lastError()) + " in: " + text.substr(0, 200));
    }
    if (have_result || !query.isSelect()) {
      while (query.next()) {
      }
      continue;
    }
    have_result = true;
    model.setQuery(std::move(query));
    if (model.lastError().isValid()) throw std::runtime_error(Message(model.lastError()));
    while (model.canFetchMore()) model.fetchMore();
  }
  if (!have_result) throw std::runtime_error("the batch returned no rows");
  return {model.rowCount(), model.columnCount()};
}

}  // namespace

int main(int argc, char** argv) {
  qmz::bench::WorkloadArgs args;
  if (!qmz::bench::ParseWorkloadArgs(argc, argv, args, "open_peer --db FILE --trace FILE")) {
    return 2;
  }
  const std::string& database = args.database;
  const std::string& trace = args.trace;
  // Qt's driver would create a missing file; a missing database is a mistake here.
  if (!std::filesystem::exists(database)) {
    std::fprintf(stderr, "open_peer: no database %s\n", database.c_str());
    return 1;
  }

  QCoreApplication application(argc, argv);  // loads the driver plugin
  try {
    int largest = 0;
    int number = 0;
    for (const auto& statements : qmz::bench::AdaptedBatches(trace)) {
      ++number;
      QString name = QString("batch%1").arg(number);
      auto [rows, columns] = RunTsql(name, database, statements);
      QSqlDatabase::removeDatabase(name);
      std::printf("batch=%d rows=%d columns=%d\n", number, rows, columns);
      if (rows > largest) largest = rows;
    }
    std::printf("rows=%d\n", largest);
    return 0;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "open_peer: %s\n", failure.what());
    return 1;
  }
}
