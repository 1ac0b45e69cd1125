// The pickers on long lists: row texts pulled from a million-record recordset, and the batch
// picker opened on an item with many batches (query, unit prices recomputed for every row,
// close). Size the picker's item with QMZ_BENCH_BATCHES (default 20000 batches in 5 warehouses).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "base_data_list/base_detail.h"
#include "list_services/list_settings.h"
#include "platform/ui/ledger.h"
#include "platform/ui/scripted_host.h"
#include "qmz/baselist.h"
#include "qmz/containers.h"
#include "qmz/host.h"
#include "qmz/suite.h"

namespace {

// Row texts of the base-data list: each request moves to the record of its row.
void BM_BaseDataRowText(benchmark::State& state) {
  const int32_t records = static_cast<int32_t>(state.range(0));
  auto list = std::make_shared<qmz::Recordset>(
      std::vector<std::string>{"FAuxPropName", "FItemID", "FBatchNo", "FQty", "FStockID",
                               "FStockName", "FKFDate", "FKFPeriod", "FTypeID"});
  for (int32_t i = 0; i < records; ++i) {
    list->AddRecord({qmz::Variant::Null(), 1, "B" + std::to_string(i), 1.5 * i, i % 5, "仓库",
                     "2026-01-05", 365, 500});
  }
  qmz::ListSettings().ListClassID = 18;
  auto grid = std::make_shared<qmz::Ledger>();
  qmz::BaseDetail detail;
  detail.LDG(grid);
  detail.GetTitleInfo(18);
  detail.TakeJournalData(list);
  int32_t row = 2;
  for (auto _ : state) {
    benchmark::DoNotOptimize(detail.DRowData(row));
    row = 2 + (row * 7919) % records;  // rows all over the list
  }
}
BENCHMARK(BM_BaseDataRowText)->Arg(1000)->Arg(1000000);

int32_t Batches() {
  const char* batches = std::getenv("QMZ_BENCH_BATCHES");
  return batches ? std::max(1, std::atoi(batches)) : 20000;
}

struct LongList {
  LongList() {
    path = (std::filesystem::temp_directory_path() /
            ("qmz_picker_bench_" + std::to_string(::getpid()) + ".db"))
               .string();
    qmz::CreateLargeDatabase(path, 1, Batches(), 5);
    qmz::OpenSuite(path);
    qmz::LogIn("administrator");
    qmz::PublishHostProperties(qmz::CurrentProcessId(), &host);
  }
  ~LongList() {
    qmz::WithdrawHostProperties(qmz::CurrentProcessId());
    std::filesystem::remove(path);
  }
  std::string path;
  qmz::Dictionary host;
};

LongList& LongStockList() {
  static LongList suite;
  return suite;
}

// A dialog `open` opens on the long stock list, closed at once by the user, each iteration.
template <class Open>
void OpenAndClose(benchmark::State& state, Open open) {
  LongStockList();
  std::ostringstream messages;
  for (auto _ : state) {
    qmz::ScriptedHost user("close", messages);
    qmz::ModalHostScope scope(user);
    qmz::BaseList list;
    benchmark::DoNotOptimize(open(list));
  }
  state.counters["rows"] = static_cast<double>(Batches()) * 5;
}

// The batch picker opened and closed by the user on one item's whole stock list.
void BM_BatchPickerOpen(benchmark::State& state) {
  OpenAndClose(state, [](qmz::BaseList& list) { return list.ShowBatch(1, "", 0, 0, 1030003); });
}
BENCHMARK(BM_BatchPickerOpen)->Unit(benchmark::kMillisecond)->Iterations(3);

// The base-data list of batches opened and closed on the same stock list.
void BM_BaseDataListOpen(benchmark::State& state) {
  OpenAndClose(state, [](qmz::BaseList& list) {
    int32_t user_id = 0;
    return list.Show(user_id, 18);
  });
}
BENCHMARK(BM_BaseDataListOpen)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
