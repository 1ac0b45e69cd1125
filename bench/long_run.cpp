// Long runs in one process on the demo suite: LOOKUPS consecutive GetBatch/GetAux calls (default
// 10,000), then SESSIONS scripted dialog sessions (default 1,000; the four dialogs in turn, each
// picking a row). Prints resident memory after a tenth of each run (the warm-up) and at its end.
// Exit 1 when a call answers nothing or memory grows after warm-up by more than kAllowedGrowth.
// Built with LeakSanitizer, so a leak at exit fails the run as well.
//
// Usage: long_run [LOOKUPS [SESSIONS]]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>

#include "platform/ui/scripted_host.h"
#include "qmz/baselist.h"
#include "qmz/containers.h"
#include "qmz/host.h"
#include "qmz/suite.h"

namespace {

constexpr double kAllowedGrowthMiB = 2.0;

double ResidentMiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) /
         (1024.0 * 1024.0);
}

// Runs `call` `count` times; reports memory after the warm-up and at the end. False when a call
// failed or memory grew.
bool Run(const char* name, int count, const std::function<bool(int)>& call) {
  int failures = 0;
  double warm = 0;
  for (int i = 0; i < count; ++i) {
    if (!call(i)) ++failures;
    if (i + 1 == std::max(1, count / 10)) warm = ResidentMiB();
  }
  double end = ResidentMiB();
  std::printf(
      "%-34s %6d calls  %d failed  RSS after warm-up %.1f MiB, at the end %.1f MiB (%+.2f)\n", name,
      count, failures, warm, end, end - warm);
  return failures == 0 && end - warm <= kAllowedGrowthMiB;
}

struct Session {
  const char* script;
  std::function<qmz::ObjectPtr(qmz::BaseList&)> open;
};

}  // namespace

int main(int argc, char** argv) {
  int lookups = argc > 1 ? std::atoi(argv[1]) : 10000;
  int sessions = argc > 2 ? std::atoi(argv[2]) : 1000;
  namespace fs = std::filesystem;
  fs::path folder = fs::temp_directory_path() / ("qmz_long_run_" + std::to_string(::getpid()));
  fs::create_directories(folder);
  ::setenv("QMZ_COMPONENT_DIR", folder.c_str(), 1);
  std::string database = (folder / "demo.db").string();
  qmz::CreateDemoDatabase(database);
  qmz::OpenSuite(database);
  qmz::LogIn("administrator");
  qmz::Dictionary host;
  qmz::PublishHostProperties(qmz::CurrentProcessId(), &host);

  bool sound = Run("GetBatch and GetAux in turn", lookups, [](int i) {
    qmz::BaseList list;
    return (i % 2 ? list.GetAux(2, "Blue", 0, 0, 0) : list.GetBatch(1, "B2601", 0, 0, 0)) !=
           nullptr;
  });

  const Session kinds[] = {
      {"row 3; key Enter",
       [](qmz::BaseList& list) {
         int32_t user = 0;
         return list.Show(user, 18);
       }},
      {"row 3; click cmdYes", [](qmz::BaseList& list) { return list.ShowBatch(1, "", 0, 0, 0); }},
      {"select 2,3; key Enter Ledger",
       [](qmz::BaseList& list) { return list.ShowBatchForMultiSelBatchNo(4, "N-000", 0, 0, 0); }},
      {"row 3; click cmdYes", [](qmz::BaseList& list) { return list.ShowAux(2, "", 0, 0, 0); }},
  };
  std::ostringstream messages;
  sound = Run("dialog sessions (four kinds in turn)", sessions,
              [&](int i) {
                const Session& kind = kinds[i % 4];
                qmz::ScriptedHost user(kind.script, messages);
                qmz::ModalHostScope scope(user);
                qmz::BaseList list;
                return kind.open(list) != nullptr;
              }) &&
          sound;
  if (!messages.str().empty()) std::cout << "messages:\n" << messages.str().substr(0, 2000);

  qmz::WithdrawHostProperties(qmz::CurrentProcessId());
  fs::remove_all(folder);
  return sound && messages.str().empty() ? 0 : 1;
}
