// GetBatch and GetAux on a large generated suite database: the lookups must stay fast on a
// stock list of a million rows. Size with QMZ_BENCH_ITEMS (default 20000 items; 10 batches per
// item in 5 warehouses, so 1,000,000 inventory rows in each inventory table). With
// QMZ_BENCH_SERVER ("odbc:...", e.g. the line of ./run.sh pg-start) the suite is made on that
// server instead of a SQLite file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "qmz/baselist.h"
#include "qmz/containers.h"
#include "qmz/host.h"
#include "qmz/suite.h"

namespace {

constexpr int32_t kBatches = 10;
constexpr int32_t kWarehouses = 5;

int32_t Items() {
  const char* items = std::getenv("QMZ_BENCH_ITEMS");
  return items ? std::max(1, std::atoi(items)) : 20000;
}

// The database is generated once per run and removed at exit.
struct LargeSuite {
  LargeSuite() {
    const char* server = std::getenv("QMZ_BENCH_SERVER");
    path = server ? server
                  : (std::filesystem::temp_directory_path() /
                     ("qmz_bench_" + std::to_string(::getpid()) + ".db"))
                        .string();
    on_server = server != nullptr;
    qmz::CreateLargeDatabase(path, Items(), kBatches, kWarehouses);
    qmz::OpenSuite(path);
    qmz::LogIn("administrator");
    qmz::PublishHostProperties(qmz::CurrentProcessId(), &host);
  }
  ~LargeSuite() {
    qmz::WithdrawHostProperties(qmz::CurrentProcessId());
    if (!on_server) std::filesystem::remove(path);
  }
  std::string path;
  bool on_server = false;
  qmz::Dictionary host;
};

LargeSuite& Suite() {
  static LargeSuite suite;
  return suite;
}

// `lookup` for item after item, round the suite.
template <class Lookup>
void EveryItemInTurn(benchmark::State& state, bool closed, Lookup lookup) {
  Suite().host.Set("ICClosed", closed);
  qmz::BaseList list;
  int32_t item = 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(lookup(list, item));
    item = item % Items() + 1;
  }
}

void BM_GetBatch(benchmark::State& state) {
  EveryItemInTurn(state, state.range(0) != 0, [](qmz::BaseList& list, int32_t item) {
    return list.GetBatch(item, "B000007", 0, 0, 1020004);
  });
}
BENCHMARK(BM_GetBatch)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_GetAux(benchmark::State& state) {
  EveryItemInTurn(state, true, [](qmz::BaseList& list, int32_t item) {
    return list.GetAux(item, "Re", 0, 0, 0);
  });
}
BENCHMARK(BM_GetAux)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
