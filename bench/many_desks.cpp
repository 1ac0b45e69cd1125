// Many desks on one site: DESKS long-lived desks behind a transaction pooler, each calling
// GetBatch's and GetAux's statements in turn through the suite's Database for S seconds, beside
// 20 desks on direct connections to the primary. A desk is a thread with a connection string of
// its own (its application_name), so that it keeps a client connection of its own to the pooler
// as a desk's process would; the desks of each row are spread over P processes (10 unless
// --processes says otherwise), as desks are processes of their own on a site.
//
//   many_desks --pooler DB --primary DB [--read DB --read-server DB] [--desks N] [--seconds S]
//              [--processes P]
//
// DB values as for --db ("odbc:..."); --read is where the desks read in the second row (the
// pooler's standby), --read-server a direct connection to that server, for counting its
// connections. Prints a Markdown table: lookups per second, errors, wrong answers, the 99th
// percentile latency, and the most connections of the role suite the server had (sampled every
// 100 ms), with the targets: 0 errors, 0 wrong, at most 10 connections, at least 0.8 of the
// direct desks' lookups per second.
#include <sys/wait.h>
#include <unistd.h>

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

#include "inventory/lookup_query.h"
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
  qmz::RecordsetPtr rows = db.RunTsql(tsql);
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
  long retried = 0;  // connects tried again while the desks warmed up
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

// What a group of desks did while the clock ran.
struct Tally {
  long calls = 0, retried = 0, errors = 0, wrong = 0;
  std::vector<double> latencies;  // ms
  std::string first_error;
};

// Desks `first` to `first + count - 1` of `target`, as threads of this process: each connects,
// then `ready()` is called once all have; they call from when `go()` returns for `seconds`.
template <typename Ready, typename Go>
Tally DeskThreads(const std::string& target, int first, int count, int seconds,
                  const std::vector<Lookup>& lookups, Ready&& ready_all, Go&& go_all) {
  std::atomic<int> ready{0};
  std::atomic<bool> go{false}, stop{false};
  std::atomic<long> calls{0}, retried{0}, errors{0}, wrong{0};
  std::mutex mutex;
  Tally tally;
  const auto failed = [&](const qmz::Error& e) {
    ++errors;
    std::lock_guard lock(mutex);
    if (tally.first_error.empty()) tally.first_error = e.what();
  };
  std::vector<std::thread> threads;
  for (int d = first; d < first + count; ++d) {
    threads.emplace_back([&, d] {
      const std::string own = target + ";pqopt={application_name=desk" + std::to_string(d) + "}";
      std::vector<double> mine;
      // The desk's connections made and its lookups sent before the clock starts, as a desk that
      // has been working. Hundreds of desks connecting at once may wait past the connect timeout
      // for the pooler's authentication: such a desk tries again, as a clerk would, and is counted.
      for (int attempt = 1;; ++attempt) {
        try {
          auto db = qmz::suite::OpenDatabase(own);
          for (int round = 0; round < 3; ++round) {
            for (const Lookup& lookup : lookups) FirstRow(*db, lookup.tsql);
          }
          break;
        } catch (const qmz::Error& e) {
          if (attempt == 3) {
            failed(e);
            break;
          }
          ++retried;
        }
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
      tally.latencies.insert(tally.latencies.end(), mine.begin(), mine.end());
    });
  }
  while (ready < count) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ready_all();
  go_all();
  go = true;
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  stop = true;
  tally.calls = calls;
  for (std::thread& thread : threads) thread.join();
  tally.retried = retried;
  tally.errors = errors;
  tally.wrong = wrong;
  // The desks' idle connections closed before the next run counts the server's.
  qmz::CloseSuite();
  return tally;
}

// Writes or reads a tally through a pipe, whole.
void Put(int fd, const void* data, size_t size) {
  const char* at = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, at, size);
    if (n <= 0) std::exit(3);
    at += n;
    size -= static_cast<size_t>(n);
  }
}
bool Get(int fd, void* data, size_t size) {
  char* at = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t n = ::read(fd, at, size);
    if (n <= 0) return false;
    at += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// `desks` desks of `target` in `processes` processes (threads of each, as many desks' processes
// on one machine), started together; the connections of the role suite counted on `counted`.
Run RunDesks(const std::string& target, const std::string& counted, int desks, int processes,
             int seconds, const std::vector<Lookup>& lookups) {
  struct Child {
    pid_t pid;
    int ready, go, result;
  };
  std::vector<Child> children;
  for (int p = 0; p < processes; ++p) {
    int ready[2], go[2], result[2];
    if (::pipe(ready) != 0 || ::pipe(go) != 0 || ::pipe(result) != 0) std::exit(3);
    const int first = desks * p / processes, count = desks * (p + 1) / processes - first;
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(ready[0]);
      ::close(go[1]);
      ::close(result[0]);
      const Tally tally = DeskThreads(
          target, first, count, seconds, lookups, [&] { Put(ready[1], "r", 1); },
          [&] {
            char g = 0;
            if (!Get(go[0], &g, 1)) ::_exit(3);
          });
      const long head[5] = {tally.calls, tally.retried, tally.errors, tally.wrong,
                            static_cast<long>(tally.latencies.size())};
      Put(result[1], head, sizeof head);
      Put(result[1], tally.latencies.data(), tally.latencies.size() * sizeof(double));
      const size_t length = tally.first_error.size();
      Put(result[1], &length, sizeof length);
      Put(result[1], tally.first_error.data(), length);
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(go[0]);
    ::close(result[1]);
    children.push_back({pid, ready[0], go[1], result[0]});
  }
  Run run;
  long calls = 0;
  std::vector<double> latencies;
  for (const Child& child : children) {
    char r = 0;
    if (!Get(child.ready, &r, 1)) ++run.errors;
  }
  std::atomic<bool> done{false};
  std::thread counter([&] { run.most_connections = MostConnections(counted, done); });
  const auto start = Clock::now();
  for (const Child& child : children) Put(child.go, "g", 1);
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  for (const Child& child : children) {
    long head[5] = {};
    size_t length = 0;
    if (!Get(child.result, head, sizeof head)) {
      ++run.errors;
      continue;
    }
    calls += head[0];
    run.retried += head[1];
    run.errors += head[2];
    run.wrong += head[3];
    std::vector<double> mine(static_cast<size_t>(head[4]));
    Get(child.result, mine.data(), mine.size() * sizeof(double));
    latencies.insert(latencies.end(), mine.begin(), mine.end());
    Get(child.result, &length, sizeof length);
    std::string error(length, '\0');
    Get(child.result, error.data(), length);
    if (run.first_error.empty()) run.first_error = error;
    int status = 0;
    ::waitpid(child.pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++run.errors;
    for (int fd : {child.ready, child.go, child.result}) ::close(fd);
  }
  done = true;
  counter.join();
  std::this_thread::sleep_for(std::chrono::seconds(1));
  std::sort(latencies.begin(), latencies.end());
  run.per_second = calls / elapsed;
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
  std::string notes;
  if (run.retried > 0) {
    notes +=
        "\n\n  connects tried again while the desks warmed up: " + std::to_string(run.retried) +
        "\n";
  }
  if (!run.first_error.empty()) notes += "\n\n  first error: " + run.first_error + "\n";
  return line + notes;
}

}  // namespace

int main(int argc, char** argv) {
  std::map<std::string, std::string> options = {
      {"--desks", "500"}, {"--seconds", "10"}, {"--processes", "10"}};
  for (int i = 1; i + 1 < argc; i += 2) options[argv[i]] = argv[i + 1];
  if (!options.count("--pooler") || !options.count("--primary")) {
    std::cerr << "usage: many_desks --pooler DB --primary DB [--read DB --read-server DB] "
                 "[--desks N] [--seconds S] [--processes P]\n";
    return 2;
  }
  const std::string pooler = options["--pooler"], primary = options["--primary"];
  const int desks = std::stoi(options["--desks"]), seconds = std::stoi(options["--seconds"]);
  const int processes = std::max(1, std::stoi(options["--processes"]));
  std::vector<Lookup> lookups = {
      {qmz::ComposeBatchLookupSql({.item_id = 1, .text = "B2601", .stock_id = 3}, true, ""), ""},
      {qmz::ComposeAuxLookupSql({.item_id = 1, .text = ""}, true, ""), ""}};
  {
    auto db = qmz::suite::OpenDatabase(primary);
    for (Lookup& lookup : lookups) lookup.expected = FirstRow(*db, lookup.tsql);
  }
  const Run direct = RunDesks(primary, primary, 20, processes, seconds, lookups);
  const Run pooled = RunDesks(pooler, primary, desks, processes, seconds, lookups);
  std::cout << "\n| desks | of them | lookups | errors | wrong | 99th percentile | most server "
               "connections | target |\n|---|---|---|---|---|---|---|---|\n";
  std::cout << Row("direct to the primary", 20, direct, direct) << "\n";
  std::cout << Row("through the pooler (10 server connections)", desks, pooled, direct) << "\n";
  if (options.count("--read")) {
    // The standby has replayed what the primary answered before the desks read there.
    for (int i = 0; i < 300 && !Replayed(options["--read"], lookups); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const Run read =
        RunDesks(options["--read"], options["--read-server"], desks, processes, seconds, lookups);
    std::cout << Row("through the pooler, reads on the standby", desks, read, direct) << "\n";
  }
  return 0;
}
