// A failover under load through a site's pooler: DESKS desks (threads, each with a connection
// string of its own) look up and save in turn through the pooler for S seconds; after A seconds
// the site is failed over (CMD). Afterwards the promoted server is asked for every desk's last
// save, so that a save the desk was told was made and the server no longer has counts as lost.
//
//   failover_load --pooler DB --promoted DB --failover CMD [--desks N] [--seconds S] [--at A]
//
// DB values as for --db ("odbc:..."); --promoted reaches the server that is promoted directly.
// Prints the calls, the failed calls, the saves confirmed and lost, how long the failover
// command took, and how long after it returned every desk had answered again.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "qmz/error.h"
#include "suite/database.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kLookup[] =
    "select FBatchNo, FQty from t_cc_inventory where FItemID = 1 and FBatchNo = 'B2601' and "
    "FStockID = 3";

struct Desk {
  long calls = 0, failed = 0, saves = 0;
  long confirmed = 0;                  // the last save the desk was told was made
  Clock::time_point answered_again{};  // its first call that worked after the failover
};

std::string Argument(int argc, char** argv, const std::string& name, const std::string& fallback) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (argv[i] == name) return argv[i + 1];
  }
  return fallback;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string pooler = Argument(argc, argv, "--pooler", "");
  const std::string promoted = Argument(argc, argv, "--promoted", "");
  const std::string failover = Argument(argc, argv, "--failover", "");
  const int desks = std::stoi(Argument(argc, argv, "--desks", "8"));
  const int seconds = std::stoi(Argument(argc, argv, "--seconds", "20"));
  const int at = std::stoi(Argument(argc, argv, "--at", "5"));
  if (pooler.empty() || promoted.empty() || failover.empty()) {
    std::cerr << "usage: failover_load --pooler DB --promoted DB --failover CMD [--desks N] "
                 "[--seconds S] [--at A]\n";
    return 2;
  }
  {
    auto db = qmz::suite::OpenDatabase(pooler);
    db->Execute("create table if not exists qmz_failover_saves (desk int primary key, seq int)");
    db->Execute("delete from qmz_failover_saves");
    for (int d = 0; d < desks; ++d) {
      db->Execute("insert into qmz_failover_saves values (?, 0)", {std::to_string(d)});
    }
  }
  std::vector<Desk> tally(static_cast<size_t>(desks));
  std::atomic<bool> stop{false};
  std::atomic<bool> failed_over{false};
  std::vector<std::thread> threads;
  for (int d = 0; d < desks; ++d) {
    threads.emplace_back([&, d] {
      Desk& desk = tally[static_cast<size_t>(d)];
      const std::string own =
          pooler + ";pqopt={application_name=failover_desk" + std::to_string(d) + "}";
      for (long seq = 1; !stop; ++seq) {
        ++desk.calls;
        try {
          auto db = qmz::suite::OpenDatabase(own);
          db->RunTsql(kLookup);
          if (db->Execute("update qmz_failover_saves set seq = ? where desk = ?",
                          {std::to_string(seq), std::to_string(d)}) == 1) {
            desk.confirmed = seq;
            ++desk.saves;
          }
          if (failed_over && desk.answered_again == Clock::time_point{}) {
            desk.answered_again = Clock::now();
          }
        } catch (const qmz::Error&) {
          ++desk.failed;
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
      }
    });
  }
  std::this_thread::sleep_for(std::chrono::seconds(at));
  const auto before = Clock::now();
  const int status = std::system(failover.c_str());
  const auto after = Clock::now();
  failed_over = true;
  std::this_thread::sleep_for(std::chrono::seconds(std::max(1, seconds - at)));
  stop = true;
  for (std::thread& thread : threads) thread.join();

  long calls = 0, failed = 0, confirmed = 0, lost = 0, silent = 0;
  double slowest = 0;
  auto server = qmz::suite::OpenDatabase(promoted);
  for (int d = 0; d < desks; ++d) {
    const Desk& desk = tally[static_cast<size_t>(d)];
    calls += desk.calls;
    failed += desk.failed;
    confirmed += desk.saves;
    const auto rows =
        server->Query("select seq from qmz_failover_saves where desk = ?", {std::to_string(d)});
    const long kept = rows.empty() ? 0 : std::stol(rows[0][0].value_or("0"));
    if (kept < desk.confirmed) ++lost;
    if (desk.answered_again == Clock::time_point{}) {
      ++silent;
    } else {
      slowest =
          std::max(slowest, std::chrono::duration<double>(desk.answered_again - after).count());
    }
  }
  std::printf(
      "| desks | calls | failed calls | saves confirmed | desks whose last confirmed save "
      "was lost | failover command | every desk answered again after it |\n");
  std::printf("|---|---|---|---|---|---|---|\n");
  std::printf("| %d | %ld | %ld | %ld | %ld | %.1f s (exit %d) | %s |\n", desks, calls, failed,
              confirmed, lost, std::chrono::duration<double>(after - before).count(), status,
              silent ? (std::to_string(silent) + " desks never did").c_str()
                     : (std::to_string(slowest).substr(0, 4) + " s").c_str());
  return lost == 0 && silent == 0 ? 0 : 1;
}
