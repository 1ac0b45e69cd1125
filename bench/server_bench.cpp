// The suite on a PostgreSQL server beside its limit, in one run: the component's lookups and
// long lists against libpq running the very statements the adaption produces on one open
// connection, and against the embedded suite in the same process.
//
//   lookups  GetBatch and GetAux per call: ours on the server / libpq (and ours on SQLite);
//   hosts    six host processes calling GetBatch for a few seconds: lookups per second
//            together, errors and wrong answers;
//   list     the base-data list of every batch (ITEMS x 10 x 5 rows) as a whole process:
//            ours (the suite's RunTsql, read as a list) / libpq in single-row mode, time and
//            peak memory, five pairs run in turn (eleven for the picker), the median of their
//            ratios;
//   picker   the batch picker's list of one item of N/5 batches x 5 warehouses, the same way;
//            for both, what one order for tied rows costs: libpq reading the suite's statements
//            into a recordset in the suite's order / libpq reading them as found into one.
//
// Usage: server_bench --server "odbc:..." [--items N] [--picker-rows N] [--seconds S]
// (the child modes --child ours|libpq SERVER SQLFILE are this program measuring itself).
// Prints a Markdown table with each ratio and its target, "met" or "NOT met".
#include <libpq-fe.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base_data_list/base_data_query.h"
#include "bench_support.h"
#include "child_process.h"
#include "inventory/batch_query.h"
#include "inventory/lookup_query.h"
#include "qmz/baselist.h"
#include "qmz/containers.h"
#include "qmz/host.h"
#include "qmz/recordset.h"
#include "qmz/suite.h"
#include "suite/database.h"
#include "suite/tsql/tsql_adaption.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

using qmz::bench::Conninfo;
using qmz::bench::Median;

// One libpq connection with the settings the suite's connections make.
PGconn* Connect(const std::string& target) {
  PGconn* conn = PQconnectdb(Conninfo(target).c_str());
  if (PQstatus(conn) != CONNECTION_OK) {
    std::cerr << "libpq: " << PQerrorMessage(conn);
    std::exit(1);
  }
  PQsetNoticeProcessor(
      conn, [](void*, const char*) {}, nullptr);
  PQclear(PQexec(conn,
                 "select set_config('enable_hashagg', 'off', false), "
                 "set_config('standard_conforming_strings', 'on', false)"));
  return conn;
}

// The statements of a batch prepared once on the connection, under names `prefix`0, 1, ...
std::vector<std::string> PrepareAll(PGconn* conn, const std::vector<std::string>& statements,
                                    const std::string& prefix) {
  std::vector<std::string> names;
  for (const std::string& statement : statements) {
    names.push_back(prefix + std::to_string(names.size()));
    PGresult* result = PQprepare(conn, names.back().c_str(), statement.c_str(), 0, nullptr);
    if (PQresultStatus(result) != PGRES_COMMAND_OK) {
      std::cerr << "libpq: " << PQresultErrorMessage(result);
      std::exit(1);
    }
    PQclear(result);
  }
  return names;
}

// The prepared statements of a batch run one after another; the rows of the first that has some.
int64_t RunPreparedAll(PGconn* conn, const std::vector<std::string>& names) {
  int64_t rows = 0;
  for (const std::string& name : names) {
    PGresult* result = PQexecPrepared(conn, name.c_str(), 0, nullptr, nullptr, nullptr, 0);
    const auto status = PQresultStatus(result);
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
      std::cerr << "libpq: " << PQresultErrorMessage(result);
      std::exit(1);
    }
    if (status == PGRES_TUPLES_OK && rows == 0) rows = PQntuples(result);
    PQclear(result);
  }
  return rows;
}

// One value of a row in single-row mode, kept as the suite's reader keeps it: integers and
// numbers as numbers, everything else as text.
void Keep(qmz::Recordset& rows, const PGresult* result, int column) {
  if (PQgetisnull(result, 0, column)) return rows.AppendNull();
  const char* text = PQgetvalue(result, 0, column);
  switch (PQftype(result, column)) {
    case 20:  // int8
    case 21:  // int2
    case 23:  // int4
      return rows.AppendInteger(std::atoll(text));
    case 700:   // float4
    case 701:   // float8
    case 1700:  // numeric
      return rows.AppendDouble(std::strtod(text, nullptr));
    default:
      return rows.AppendText(std::string_view(text, PQgetlength(result, 0, column)));
  }
}

// A list read row by row (libpq's single-row mode): the rows and the bytes of their values.
// `ties` as the adaption takes it: kBroken, the server gives the whole order; kAsFound, rows
// whose keys tie in the server's order; kByReader, the suite's statements, their rows kept in a
// recordset and put in the order the suite's reader gives them. With `keep`, the rows are kept
// in a recordset also otherwise, so that the two kept ways differ only in the order.
int ChildLibpq(const std::string& target, const std::string& sql,
               qmz::suite::Ties ties = qmz::suite::Ties::kBroken, bool keep = false) {
  PGconn* conn = Connect(target);
  int64_t rows = 0, payload = 0;
  const qmz::suite::Adaption adaption =
      qmz::suite::AdaptWithOrder(sql, qmz::suite::Target::kPostgres, ties);
  std::unique_ptr<qmz::Recordset> kept;
  for (const std::string& statement : adaption.statements) {
    PQsendQuery(conn, statement.c_str());
    PQsetSingleRowMode(conn);
    while (PGresult* result = PQgetResult(conn)) {
      if (PQresultStatus(result) == PGRES_SINGLE_TUPLE) {
        ++rows;
        if (keep && !kept) {
          std::vector<std::string> names;
          for (int c = 0; c < PQnfields(result); ++c) names.push_back(PQfname(result, c));
          kept = std::make_unique<qmz::Recordset>(std::move(names));
        }
        for (int c = 0; c < PQnfields(result); ++c) {
          payload += PQgetlength(result, 0, c);
          if (kept) Keep(*kept, result, c);
        }
        if (kept) kept->EndRecord();
      }
      PQclear(result);
    }
  }
  if (kept && !adaption.order.empty()) kept->OrderRecords(adaption.order, {});
  PQfinish(conn);
  std::cout << rows << " " << payload << "\n";
  return 0;
}

// The same list through the suite: the recordset the dialogs read, read as a list.
int ChildOurs(const std::string& target, const std::string& sql) {
  qmz::RecordsetPtr rows = qmz::suite::OpenDatabase(target)->RunTsql(sql, true);
  std::cout << rows->RecordCount() << " 0\n";
  return 0;
}

struct Row {
  std::string measure, ours, limit, ratio, target;
  bool met;
};

void Report(const std::vector<Row>& rows) {
  std::cout << "\n| measure | ours | limit | ratio | target | |\n|---|---|---|---|---|---|\n";
  for (const Row& r : rows) {
    std::cout << "| " << r.measure << " | " << r.ours << " | " << r.limit << " | " << r.ratio
              << " | " << r.target << " | " << (r.met ? "met" : "NOT met") << " |\n";
  }
}

std::string Fixed(double value, int digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", digits, value);
  return text;
}

// Milliseconds per call of `call`, over `calls` calls after a warm-up.
template <typename Call>
double PerCall(int calls, Call call) {
  for (int i = 0; i < 20; ++i) call(i);
  const auto start = Clock::now();
  for (int i = 0; i < calls; ++i) call(i);
  return Since(start) * 1000 / calls;
}

std::string AnswerText(const qmz::ObjectPtr& answer) {
  auto row = std::dynamic_pointer_cast<qmz::Dictionary>(answer);
  if (!row) return "null";
  std::string text;
  for (const auto& [key, value] : row->Entries()) text += key + "=" + value.ToText() + ";";
  return text;
}

// The host's properties published, as a host does (the command, the C interface and the Python
// package do), where the lookups keep what they asked once; once in each process, a forked host
// too.
void PublishAsAHost() {
  static pid_t published_by = 0;
  static qmz::Dictionary* properties = new qmz::Dictionary();  // lives as long as the process
  if (published_by == ::getpid()) return;
  qmz::PublishHostProperties(qmz::CurrentProcessId(), properties);
  published_by = ::getpid();
}

constexpr int kHostItems = 50;

// Milliseconds per call of ours and of the limit, `calls` each in turn, seven rounds: on a shared
// machine whose speed drifts, each pair runs in the same moment. The medians of the times and of
// the pairs' ratios.
struct PerCallPair {
  double ours = 0, limit = 0, ratio = 0;
};

template <typename Ours, typename Limit>
PerCallPair PerCallInTurn(int calls, Ours ours, Limit limit) {
  std::vector<double> ours_ms, limit_ms, ratios;
  for (int round = 0; round < 7; ++round) {
    ours_ms.push_back(PerCall(calls, ours));
    limit_ms.push_back(PerCall(calls, limit));
    ratios.push_back(ours_ms.back() / limit_ms.back());
  }
  return {Median(ours_ms), Median(limit_ms), Median(ratios)};
}

// The statements a lookup sends for each of the first items, as the adaption writes them.
std::vector<std::vector<std::string>> LookupStatements(int items, bool batch) {
  std::vector<std::vector<std::string>> statements;
  for (int item = 1; item <= std::min(items, kHostItems); ++item) {
    const std::string tsql =
        batch ? qmz::ComposeBatchLookupSql(
                    {.item_id = item, .text = "B000007", .class_type = 1020004}, true, "")
              : qmz::ComposeAuxLookupSql({.item_id = item, .text = "Re"}, true, "");
    statements.push_back(
        qmz::suite::AdaptWithOrder(tsql, qmz::suite::Target::kPostgres).statements);
  }
  return statements;
}

// GetBatch and GetAux on the suite `target`, each call for the next of the first items, beside
// `limit` (null for none: the embedded suite alone): a libpq connection running the statements
// of the same lookups, prepared once.
struct Lookups {
  PerCallPair batch, aux;
};

Lookups MeasureLookups(const std::string& target, int items, PGconn* limit) {
  qmz::OpenSuite(target);
  qmz::LogIn("administrator");
  PublishAsAHost();
  qmz::BaseList list;
  const int cycle = std::min(items, kHostItems);
  const auto prepared = [&](bool batch) {
    std::vector<std::vector<std::string>> names;
    if (!limit) return names;
    const auto statements = LookupStatements(items, batch);
    for (size_t i = 0; i < statements.size(); ++i) {
      names.push_back(
          PrepareAll(limit, statements[i], (batch ? "batch_" : "aux_") + std::to_string(i) + "_"));
    }
    return names;
  };
  const auto batch_names = prepared(true);
  const auto aux_names = prepared(false);
  const auto run_limit = [&](const std::vector<std::vector<std::string>>& names) {
    return [&, limit](int i) {
      if (limit) RunPreparedAll(limit, names[static_cast<size_t>(i % cycle)]);
    };
  };
  Lookups result;
  result.batch = PerCallInTurn(
      300,
      [&](int i) {
        if (!list.GetBatch(1 + i % cycle, "B000007", 0, 0, 1020004)) std::exit(1);
      },
      run_limit(batch_names));
  result.aux = PerCallInTurn(
      200,
      [&](int i) {
        if (!list.GetAux(1 + i % cycle, "Re", 0, 0, 0)) std::exit(1);
      },
      run_limit(aux_names));
  return result;
}

// Six host processes, each calling `call(k)` (true when its answer is right) for `seconds`,
// k counting that host's calls: calls per second together, and the wrong answers.
struct HostsRun {
  double per_second = 0;
  long wrong = 0;
  int failures = 0;  // hosts that did not report or did not end well
};

template <typename Call>
HostsRun SixHostsCalling(double seconds, Call call) {
  std::vector<pid_t> children;
  std::vector<int> pipes;
  for (int host = 0; host < 6; ++host) {
    int fds[2];
    if (::pipe(fds) != 0) std::exit(1);
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(fds[0]);
      long done = 0, wrong = 0;
      const auto start = Clock::now();
      while (Since(start) < seconds) {
        if (!call(done + host)) ++wrong;
        ++done;
      }
      const std::string line = std::to_string(done) + " " + std::to_string(wrong) + "\n";
      (void)!::write(fds[1], line.data(), line.size());
      ::_exit(0);
    }
    ::close(fds[1]);
    children.push_back(child);
    pipes.push_back(fds[0]);
  }
  HostsRun run;
  long done = 0;
  for (size_t h = 0; h < children.size(); ++h) {
    char text[64] = {};
    (void)!::read(pipes[h], text, sizeof text - 1);
    long d = 0, w = 0;
    if (std::sscanf(text, "%ld %ld", &d, &w) != 2) ++run.failures;
    done += d;
    run.wrong += w;
    int status = 0;
    ::waitpid(children[h], &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++run.failures;
    ::close(pipes[h]);
  }
  run.per_second = done / seconds;
  return run;
}

// Six hosts calling GetBatch: wrong answers counted against each item's answer as one host
// alone gives it.
HostsRun SixHosts(int items, double seconds) {
  qmz::BaseList list;
  std::vector<std::string> expected;
  for (int item = 1; item <= std::min(items, kHostItems); ++item) {
    expected.push_back(AnswerText(list.GetBatch(item, "B000007", 0, 0, 0)));
  }
  return SixHostsCalling(seconds, [&](long k) {
    PublishAsAHost();
    const size_t at = static_cast<size_t>(k) % expected.size();
    return AnswerText(list.GetBatch(static_cast<int>(at) + 1, "B000007", 0, 0, 0)) == expected[at];
  });
}

// The limit of six hosts: six libpq connections running the statements those lookups send,
// each prepared once on its connection.
HostsRun SixLibpqHosts(const std::string& target, int items, double seconds) {
  std::vector<std::vector<std::string>> statements;
  for (int item = 1; item <= std::min(items, kHostItems); ++item) {
    statements.push_back(
        qmz::suite::AdaptWithOrder(
            qmz::ComposeBatchLookupSql({.item_id = item, .text = "B000007"}, true, ""),
            qmz::suite::Target::kPostgres)
            .statements);
  }
  PGconn* conn = nullptr;  // each host's own, made after the fork
  std::vector<std::vector<std::string>> prepared;
  return SixHostsCalling(seconds, [&](long k) {
    if (!conn) {
      conn = Connect(target);
      for (size_t i = 0; i < statements.size(); ++i) {
        prepared.push_back(PrepareAll(conn, statements[i], "b" + std::to_string(i) + "_"));
      }
    }
    return RunPreparedAll(conn, prepared[static_cast<size_t>(k) % prepared.size()]) > 0;
  });
}

struct ListRun {
  qmz::bench::Measured measured;
  int64_t rows = 0, payload = 0;
};

ListRun RunList(const std::string& self, const std::string& mode, const std::string& target,
                const fs::path& sql_file) {
  const fs::path out = sql_file.string() + "." + mode + ".out";
  ListRun one;
  one.measured = qmz::bench::RunMeasured({self, "--child", mode, target, sql_file.string()}, out,
                                         sql_file.string() + ".err");
  std::sscanf(qmz::bench::ReadText(out).c_str(), "%ld %ld", &one.rows, &one.payload);
  return one;
}

// Ours and libpq in turn, `rounds` times: on a shared machine whose speed drifts, each pair runs in
// the same few seconds. The median of the pairs' ratios, of the times and of the peaks.
struct ListPairs {
  ListRun ours, limit;
  double ratio = 0;
  // libpq with the order as the suite gives it / as found, both keeping the rows as the suite
  double ties_ratio = 0;
};

ListPairs MeasureList(const std::string& self, const std::string& target, const fs::path& sql_file,
                      int rounds) {
  ListPairs pairs;
  std::vector<double> ratios, ties_ratios, ours_seconds, limit_seconds, ours_mib, limit_mib;
  for (int i = 0; i < rounds; ++i) {
    pairs.ours = RunList(self, "ours", target, sql_file);
    pairs.limit = RunList(self, "libpq", target, sql_file);
    const ListRun ordered = RunList(self, "libpq-kept-ordered", target, sql_file);
    const ListRun found = RunList(self, "libpq-kept-as-found", target, sql_file);
    ratios.push_back(pairs.ours.measured.seconds / pairs.limit.measured.seconds);
    ties_ratios.push_back(ordered.measured.seconds / found.measured.seconds);
    ours_seconds.push_back(pairs.ours.measured.seconds);
    limit_seconds.push_back(pairs.limit.measured.seconds);
    ours_mib.push_back(pairs.ours.measured.peak_mib);
    limit_mib.push_back(pairs.limit.measured.peak_mib);
  }
  pairs.ratio = Median(ratios);
  pairs.ties_ratio = Median(ties_ratios);
  pairs.ours.measured.seconds = Median(ours_seconds);
  pairs.limit.measured.seconds = Median(limit_seconds);
  pairs.ours.measured.peak_mib = Median(ours_mib);
  pairs.limit.measured.peak_mib = Median(limit_mib);
  return pairs;
}

// Ours on the same list with no rows (`sql`'s "where 1=1" made false): the median peak of three
// runs, what the process takes before its list does.
double EmptyListPeak(const std::string& self, const std::string& target, const std::string& sql) {
  const std::string always = " where 1=1 ";
  const size_t at = sql.find(always);
  if (at == std::string::npos) {
    std::cerr << "server_bench: the list's statement has no \"where 1=1\" to empty it by\n";
    std::exit(1);
  }
  const fs::path sql_file = fs::temp_directory_path() / "qmz_server_bench_empty.sql";
  std::ofstream(sql_file, std::ios::binary)
      << sql.substr(0, at) + " where 1=0 " + sql.substr(at + always.size());
  std::vector<double> peaks;
  for (int i = 0; i < 3; ++i) {
    const ListRun empty = RunList(self, "ours", target, sql_file);
    if (empty.rows != 0) std::exit(1);
    peaks.push_back(empty.measured.peak_mib);
  }
  fs::remove(sql_file);
  return Median(peaks);
}

// Time against the target; memory above an empty list against the payload when `memory` is
// asked for.
void CompareList(const std::string& self, const std::string& name, const std::string& target,
                 const std::string& sql, double time_target, bool memory, std::vector<Row>& rows) {
  const fs::path sql_file = fs::temp_directory_path() / ("qmz_server_bench_" + name + ".sql");
  std::ofstream(sql_file, std::ios::binary) << sql;
  // A short list's ratios swing more from pair to pair: more pairs for it.
  const ListPairs pairs = MeasureList(self, target, sql_file, memory ? 5 : 11);
  const ListRun& ours = pairs.ours;
  const ListRun& limit = pairs.limit;
  const double ratio = pairs.ratio;
  rows.push_back({name + ", " + std::to_string(limit.rows) + " rows, time",
                  Fixed(ours.measured.seconds, 2) + " s", Fixed(limit.measured.seconds, 2) + " s",
                  Fixed(ratio, 2) + "x", "<= " + Fixed(time_target, 2) + "x",
                  ratio <= time_target && ours.rows == limit.rows});
  rows.push_back({name + ", one order for tied rows: libpq kept in order / as found", "", "",
                  Fixed(pairs.ties_ratio, 2) + "x", "<= 1.05x", pairs.ties_ratio <= 1.05});
  const double payload_mib = limit.payload / 1048576.0;
  if (!memory) {
    rows.push_back({name + ", peak memory / payload " + Fixed(payload_mib, 1) + " MiB",
                    Fixed(ours.measured.peak_mib, 1) + " MiB",
                    Fixed(limit.measured.peak_mib, 1) + " MiB", "", "(shown)", true});
  } else {
    const double empty = EmptyListPeak(self, target, sql);
    const double times = (ours.measured.peak_mib - empty) / std::max(payload_mib, 0.001);
    rows.push_back({name + ", peak memory above an empty list (" + Fixed(empty, 1) +
                        " MiB) / payload " + Fixed(payload_mib, 1) + " MiB",
                    Fixed(ours.measured.peak_mib, 1) + " MiB",
                    Fixed(limit.measured.peak_mib, 1) + " MiB", Fixed(times, 2) + "x", "<= 1.5x",
                    times <= 1.5});
  }
  fs::remove(sql_file);
}

}  // namespace

// Makes a suite in a process of its own: a child measured later starts as a copy of this
// process, whose memory must stay small.
double MakeSuite(const std::string& self, const std::string& target, int items, int batches,
                 int warehouses) {
  const fs::path log = fs::temp_directory_path() / "qmz_server_bench_make.log";
  const double seconds =
      qmz::bench::RunMeasured({self, "--child", "make", target, std::to_string(items),
                               std::to_string(batches), std::to_string(warehouses)},
                              log, log.string() + ".err")
          .seconds;
  fs::remove(log);
  fs::remove(log.string() + ".err");
  return seconds;
}

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 6 && args[0] == "--child" && args[1] == "make") {
    qmz::CreateLargeDatabase(args[2], std::stoi(args[3]), std::stoi(args[4]), std::stoi(args[5]));
    return 0;
  }
  if (args.size() == 4 && args[0] == "--child") {
    const std::string sql = qmz::bench::ReadText(args[3]);
    using qmz::suite::Ties;
    if (args[1] == "libpq-kept-as-found") return ChildLibpq(args[2], sql, Ties::kAsFound, true);
    if (args[1] == "libpq-kept-ordered") return ChildLibpq(args[2], sql, Ties::kByReader, true);
    return args[1] == "libpq" ? ChildLibpq(args[2], sql) : ChildOurs(args[2], sql);
  }
  std::string server;
  int items = 20000, picker_rows = 85715;
  double seconds = 10;
  for (size_t i = 0; i + 1 < args.size(); i += 2) {
    if (args[i] == "--server") server = args[i + 1];
    if (args[i] == "--items") items = std::max(1, std::atoi(args[i + 1].c_str()));
    if (args[i] == "--picker-rows") picker_rows = std::max(5, std::atoi(args[i + 1].c_str()));
    if (args[i] == "--seconds") seconds = std::max(1.0, std::atof(args[i + 1].c_str()));
  }
  if (server.empty()) {
    std::cerr << "usage: server_bench --server \"odbc:...\" [--items N] [--picker-rows N] "
                 "[--seconds S]\n";
    return 2;
  }
  const std::string self = fs::canonical("/proc/self/exe").string();
  const std::string file =
      (fs::temp_directory_path() / ("qmz_server_bench_" + std::to_string(::getpid()) + ".db"))
          .string();
  qmz::Dictionary host;
  host.Set("ICClosed", true);
  qmz::PublishHostProperties(qmz::CurrentProcessId(), &host);
  std::vector<Row> rows;

  std::cout << "server: the batch picker's suite, " << picker_rows << " rows\n";
  MakeSuite(self, server, 1, picker_rows / 5, 5);
  CompareList(self, "batch picker", server,
              qmz::ComposeBatchListQuery(qmz::BatchPicker::kStock,
                                         {.closed = true, .item_id = 1, .show_zero = true}),
              1.5, false, rows);

  std::cout << "server and SQLite: " << items << " items x 10 batches x 5 warehouses\n";
  std::cout << "  made on the server in " << Fixed(MakeSuite(self, server, items, 10, 5), 1)
            << " s\n";
  MakeSuite(self, file, items, 10, 5);
  // The list first, while this process is small (its children start as copies of it).
  CompareList(self, "base-data list", server, qmz::ComposeBaseDataQuery("", "", ""), 1.25, true,
              rows);

  const Lookups embedded = MeasureLookups(file, items, nullptr);
  PGconn* conn = Connect(server);
  const Lookups remote = MeasureLookups(server, items, conn);
  PQfinish(conn);
  // Against the limit: libpq running the same statements prepared once on one open connection.
  rows.push_back(
      {"GetBatch per call, server / libpq prepared", Fixed(remote.batch.ours, 3) + " ms",
       Fixed(remote.batch.limit, 3) + " ms (embedded " + Fixed(embedded.batch.ours, 3) + " ms)",
       Fixed(remote.batch.ratio, 2) + "x", "<= 1.3x", remote.batch.ratio <= 1.3});
  rows.push_back(
      {"GetAux per call, server / libpq prepared", Fixed(remote.aux.ours, 3) + " ms",
       Fixed(remote.aux.limit, 3) + " ms (embedded " + Fixed(embedded.aux.ours, 3) + " ms)",
       Fixed(remote.aux.ratio, 2) + "x", "<= 1.5x", remote.aux.ratio <= 1.5});

  const HostsRun hosts = SixHosts(items, seconds);
  const HostsRun limit_hosts = SixLibpqHosts(server, items, seconds);
  const double hosts_ratio = hosts.per_second / limit_hosts.per_second;
  rows.push_back(
      {"6 hosts, GetBatch, lookups per second together (libpq: 6 connections, "
       "prepared)",
       Fixed(hosts.per_second, 0) + "/s (" + std::to_string(hosts.wrong) + " wrong)",
       Fixed(limit_hosts.per_second, 0) + "/s", Fixed(hosts_ratio, 2) + "x",
       ">= 0.5x, 0 errors, 0 wrong",
       hosts_ratio >= 0.5 && hosts.failures == 0 && hosts.wrong == 0});

  qmz::WithdrawHostProperties(qmz::CurrentProcessId());
  fs::remove(file);
  Report(rows);
  return 0;
}
