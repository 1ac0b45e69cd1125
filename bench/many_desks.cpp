// Many desks on one site: DESKS long-lived desks behind a transaction pooler, each calling
// GetBatch's and GetAux's statements in turn through the suite's Database for S seconds, beside
// 20 desks on direct connections to the primary. A desk is a thread with a connection string of
// its own (its application_name), so that it keeps a client connection of its own to the pooler
// as a desk's process would; the threads are bounded by DESKS.
//
//   many_desks --pooler DB --primary DB [--read DB --read-server DB] [--desks N] [--seconds S]
//
// DB values as for --db ("odbc:..."); --read is where the desks read in the second row (the
// pooler's standby), --read-server a direct connection to that server, for counting its
// connections. Prints a Markdown table: lookups per second, errors, wrong answers, the 99th
// percentile latency, and the most connections of the role suite the server had (sampled every
// 100 ms), with the targets: 0 errors, 0 wrong, at most 10 connections, at least 0.8 of the
// direct desks' lookups per second.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "component/inventory_lookup.h"
#include "qmz/error.h"
#include "qmz/suite.h"
#include "suite/database.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Lookup {
  std::string tsql;
  std::string expected;  // the first row's texts, from a direct connection
};

std::string FirstRow(qmz::suite::Database& db, const std::string& tsql) {
  qmz::RecordsetPtr rows = db.RunBatch(tsql);
  std::string text;
  if (rows->RecordCount() == 0) return text;
  rows->MoveFirst();
  for (int32_t f = 0; f < rows->FieldCount(); ++f) {
    const qmz::Variant value = rows->Value(f);
    text += (value.IsNull() ? std::string("null") : value.ToText()) + "|";
  }
  return text;
}

// Whether `target` answers each lookup as expected.
bool Replayed(const std::string& target, const std::vector<Lookup>& lookups) {
  try {
    auto db = qmz::suite::OpenDatabase(target);
    for (const Lookup& lookup : lookups) {
      if (FirstRow(*db, lookup.tsql) != lookup.expected) return false;
    }
    return true;
  } catch (const qmz::Error&) {
    return false;
  }
}

struct Run {
  double per_second = 0;
  long errors = 0;
  long wrong = 0;
  double p99_ms = 0;
  int most_connections = 0;
  std::string first_error;
};

// The connections of the role suite on the server `counted` reaches, sampled until `done`.
int MostConnections(const std::string& counted, const std::atomic<bool>& done) {
  auto db = qmz::suite::OpenDatabase(counted);
  int most = 0;
  while (!done) {
    const auto rows = db->Query(
        "select count(*) from pg_stat_activity where usename = 'suite' and pid <> "
        "pg_backend_pid()");
    most = std::max(most, std::stoi(rows[0][0].value_or("0")));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return most;
}

Run RunDesks(const std::string& target, const std::string& counted, int desks, int seconds,
             const std::vector<Lookup>& lookups) {
  std::atomic<int> ready{0};
  std::atomic<bool> go{false}, stop{false}, done{false};
  std::atomic<long> calls{0}, errors{0}, wrong{0};
  std::mutex mutex;
  std::vector<double> latencies;
  std::string first_error;
  const auto failed = [&](const qmz::Error& e) {
    ++errors;
    std::lock_guard lock(mutex);
    if (first_error.empty()) first_error = e.what();
  };
  std::vector<std::thread> threads;
  for (int d = 0; d < desks; ++d) {
    threads.emplace_back([&, d] {
      const std::string own = target + ";pqopt={application_name=desk" + std::to_string(d) + "}";
      std::vector<double> mine;
      // The desk's connection made before the clock starts, as a desk that has been working.
      try {
        qmz::suite::OpenDatabase(own)->Query("select 1");
      } catch (const qmz::Error& e) {
        failed(e);
      }
      ++ready;
      while (!go) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      for (size_t i = static_cast<size_t>(d); !stop; ++i) {
        const Lookup& lookup = lookups[i % lookups.size()];
        const auto start = Clock::now();
        try {
          auto db = qmz::suite::OpenDatabase(own);
          if (FirstRow(*db, lookup.tsql) != lookup.expected) ++wrong;
        } catch (const qmz::Error& e) {
          failed(e);
        }
        mine.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        ++calls;
      }
      std::lock_guard lock(mutex);
      latencies.insert(latencies.end(), mine.begin(), mine.end());
    });
  }
  while (ready < desks) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  Run run;
  std::thread counter([&] { run.most_connections = MostConnections(counted, done); });
  const auto start = Clock::now();
  go = true;
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  stop = true;
  const long made = calls;
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  for (std::thread& thread : threads) thread.join();
  done = true;
  counter.join();
  // The desks' idle connections closed before the next run counts the server's.
  qmz::CloseSuite();
  std::this_thread::sleep_for(std::chrono::seconds(1));
  std::sort(latencies.begin(), latencies.end());
  run.per_second = made / elapsed;
  run.errors = errors;
  run.wrong = wrong;
  run.first_error = first_error;
  if (!latencies.empty()) run.p99_ms = latencies[latencies.size() * 99 / 100];
  return run;
}

// A row of the table; the direct desks' own row is the measure the others are held to.
std::string Row(const std::string& name, int desks, const Run& run, const Run& direct) {
  const double share = run.per_second / direct.per_second;
  const bool met = run.errors == 0 && run.wrong == 0 && run.most_connections <= 10 && share >= 0.8;
  const char* verdict = &run == &direct ? "the measure" : met ? "met" : "NOT met";
  char line[512];
  std::snprintf(line, sizeof line,
                "| %s | %d | %.0f/s (%.2f of direct) | %ld | %ld | %.1f ms | %d | %s |",
                name.c_str(), desks, run.per_second, share, run.errors, run.wrong, run.p99_ms,
                run.most_connections, verdict);
  return line + (run.first_error.empty() ? "" : "\n\n  first error: " + run.first_error + "\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::map<std::string, std::string> options = {{"--desks", "500"}, {"--seconds", "10"}};
  for (int i = 1; i + 1 < argc; i += 2) options[argv[i]] = argv[i + 1];
  if (!options.count("--pooler") || !options.count("--primary")) {
    std::cerr << "usage: many_desks --pooler DB --primary DB [--read DB --read-server DB] "
                 "[--desks N] [--seconds S]\n";
    return 2;
  }
  const std::string pooler = options["--pooler"], primary = options["--primary"];
  const int desks = std::stoi(options["--desks"]), seconds = std::stoi(options["--seconds"]);
  std::vector<Lookup> lookups = {
      {qmz::ComposeBatchLookupSql({.item_id = 1, .text = "B2601", .stock_id = 3}, true, ""), ""},
      {qmz::ComposeAuxLookupSql({.item_id = 1, .text = ""}, true, ""), ""}};
  {
    auto db = qmz::suite::OpenDatabase(primary);
    for (Lookup& lookup : lookups) lookup.expected = FirstRow(*db, lookup.tsql);
  }
  const Run direct = RunDesks(primary, primary, 20, seconds, lookups);
  const Run pooled = RunDesks(pooler, primary, desks, seconds, lookups);
  std::cout << "\n| desks | of them | lookups | errors | wrong | 99th percentile | most server "
               "connections | target |\n|---|---|---|---|---|---|---|---|\n";
  std::cout << Row("direct to the primary", 20, direct, direct) << "\n";
  std::cout << Row("through the pooler (10 server connections)", desks, pooled, direct) << "\n";
  if (options.count("--read")) {
    // The standby has replayed what the primary answered before the desks read there.
    for (int i = 0; i < 300 && !Replayed(options["--read"], lookups); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const Run read = RunDesks(options["--read"], options["--read-server"], desks, seconds, lookups);
    std::cout << Row("through the pooler, reads on the standby", desks, read, direct) << "\n";
  }
  return 0;
}
