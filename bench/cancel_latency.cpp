// How soon a stopped list's read ends, beside the database's own cancel in one run: the time
// from the user's stop (Escape, 取消) to the end of the read, for the base-data list of every
// batch, the stop given a while after the read began.
//
//   ours   the suite's ClassInfo reading the list on a helper thread as the dialogs read it
//          (platform/stoppable_read.h), stopped with StoppableRead::Stop (sqlite3_interrupt or
//          SQLCancel through the suite);
//   limit  the same statements on the database's own C API on a helper thread, stopped with
//          sqlite3_interrupt (SQLite) or PQcancel (PostgreSQL, libpq in single-row mode).
//
// Usage: cancel_latency --db FILE|odbc:... [--after MS] [--rounds N]
// Prints each round and the medians; the target is an end within 200 ms of the stop.
#include <libpq-fe.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "base_data_list/base_data_query.h"
#include "bench_support.h"
#include "platform/list_answer.h"
#include "platform/stoppable_read.h"
#include "qmz/suite.h"
#include "suite/database.h"
#include "suite/middle_tier/class_info.h"
#include "suite/sqlite/sqlite_connection.h"
#include "suite/tsql/tsql_adaption.h"

namespace {

using Clock = std::chrono::steady_clock;

using qmz::bench::Conninfo;
using qmz::bench::Median;
using qmz::bench::MsSince;

// Ours: the time from the stop to the end of the read (the stop sent again every 100 ms, as
// the dialogs do); -1 when the read ended before the stop.
double Ours(const std::string& sql, std::chrono::milliseconds after, int64_t& rows_at_stop) {
  qmz::StoppableRead read([&] {
    qmz::ListAnswerScope list;
    qmz::suite::SuiteClassInfo().GetData("", sql);
  });
  if (read.WaitFor(after)) return -1;
  rows_at_stop = read.RowsRead();
  const Clock::time_point stop = Clock::now();
  read.Stop();
  while (!read.WaitFor(std::chrono::milliseconds(100))) read.Stop();
  const double latency = MsSince(stop);
  try {
    read.Finish();
  } catch (const qmz::ReadStopped&) {
  }
  return latency;
}

double SqliteLimit(const std::string& path, const std::vector<std::string>& statements,
                   std::chrono::milliseconds after) {
  qmz::suite::SqliteConnection connection(path, false);
  std::thread reading([&] {
    for (const std::string& text : statements) {
      sqlite3_stmt* statement = nullptr;
      sqlite3_prepare_v2(connection.handle(), text.c_str(), -1, &statement, nullptr);
      int rc;
      while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(statement); ++c) {
          sqlite3_column_text(statement, c);
        }
      }
      sqlite3_finalize(statement);
      if (rc != SQLITE_DONE) break;
    }
  });
  std::this_thread::sleep_for(after);
  const Clock::time_point stop = Clock::now();
  sqlite3_interrupt(connection.handle());
  reading.join();
  return MsSince(stop);
}

double LibpqLimit(const std::string& target, const std::vector<std::string>& statements,
                  std::chrono::milliseconds after) {
  PGconn* conn = PQconnectdb(Conninfo(target).c_str());
  if (PQstatus(conn) != CONNECTION_OK) {
    std::cerr << "libpq: " << PQerrorMessage(conn);
    std::exit(1);
  }
  PQclear(PQexec(conn, "select set_config('enable_hashagg', 'off', false)"));
  std::thread reading([&] {
    for (const std::string& statement : statements) {
      PQsendQuery(conn, statement.c_str());
      PQsetSingleRowMode(conn);
      bool failed = false;
      while (PGresult* result = PQgetResult(conn)) {
        failed = failed || PQresultStatus(result) == PGRES_FATAL_ERROR;
        PQclear(result);
      }
      if (failed) break;
    }
  });
  std::this_thread::sleep_for(after);
  const Clock::time_point stop = Clock::now();
  PGcancel* cancel = PQgetCancel(conn);
  char error[256];
  PQcancel(cancel, error, sizeof error);
  PQfreeCancel(cancel);
  reading.join();
  const double latency = MsSince(stop);
  PQfinish(conn);
  return latency;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string target;
  int after_ms = 1000, rounds = 5;
  for (size_t i = 0; i + 1 < args.size(); i += 2) {
    if (args[i] == "--db") target = args[i + 1];
    if (args[i] == "--after") after_ms = std::max(1, std::atoi(args[i + 1].c_str()));
    if (args[i] == "--rounds") rounds = std::max(1, std::atoi(args[i + 1].c_str()));
  }
  if (target.empty()) {
    std::cerr << "usage: cancel_latency --db FILE|odbc:... [--after MS] [--rounds N]\n";
    return 2;
  }
  const bool server = qmz::suite::IsOdbcTarget(target);
  qmz::suite::SetSuiteDatabase(target);
  const std::string sql = qmz::ComposeBaseDataQuery("", "", "");
  const auto statements = qmz::suite::AdaptTsql(
      sql, server ? qmz::suite::Target::kPostgres : qmz::suite::Target::kSqlite);
  const std::chrono::milliseconds after(after_ms);
  std::vector<double> ours, limit;
  for (int round = 1; round <= rounds; ++round) {
    int64_t rows = 0;
    const double mine = Ours(sql, after, rows);
    const double theirs =
        server ? LibpqLimit(target, statements, after) : SqliteLimit(target, statements, after);
    if (mine < 0) {
      // A machine that read the whole list before the stop measured nothing this round.
      std::printf("round %d: the list was read before the stop at %d ms\n", round, after_ms);
      continue;
    }
    std::printf("round %d: stopped after %d ms (%lld rows read): ours %.1f ms, limit %.1f ms\n",
                round, after_ms, static_cast<long long>(rows), mine, theirs);
    ours.push_back(mine);
    limit.push_back(theirs);
  }
  if (ours.empty()) {
    std::cerr << "the list was read before the stop in every round: give a shorter --after\n";
    return 1;
  }
  const double median = Median(ours);
  std::printf(
      "cancel latency, base-data list, %s: ours %.1f ms, %s %.1f ms (medians of %d); target "
      "ours <= 200 ms: %s\n",
      server ? "PostgreSQL" : "SQLite", median, server ? "libpq PQcancel" : "sqlite3_interrupt",
      Median(limit), static_cast<int>(ours.size()), median <= 200 ? "met" : "NOT met");
  return 0;
}
