// GetBatch called from C++ on a suite file, for the comparison with the same call through the
// Python package (bench/call_cost.py): milliseconds per call over CALLS calls after a warm-up.
// Usage: call_cost DATABASE [CALLS]
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "qmz/baselist.h"
#include "qmz/suite.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: call_cost DATABASE [CALLS]\n");
    return 2;
  }
  const int calls = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2000;
  qmz::OpenSuite(argv[1]);
  qmz::LogIn("administrator");
  qmz::BaseList list;
  for (int i = 0; i < 100; ++i) list.GetBatch(1, "B2601", 0, 0, 0);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < calls; ++i) {
    if (!list.GetBatch(1, "B2601", 0, 0, 0)) return 1;
  }
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.4f\n", ms / calls);
  return 0;
}
