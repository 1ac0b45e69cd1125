// Opening long lists side by side in one run: the component (the baselist command with a
// scripted user who opens the dialog and closes it), the limit (open_limit) and the peer
// (open_peer) on the same SQL, each as a whole process; the median of RUNS runs of each, wall
// time and peak resident memory, and the processor time beside them (steadier on a busy machine).
//
// Workloads:
//   list   the base-data list of class 18, `baselist show --class-id 18 --script close`, on a
//          suite of N/50 items x 10 batches x 5 warehouses: N inventory rows, all of them listed.
//   batch  the batch picker on item 1, `baselist show-batch --item 1 --script close`, on a suite
//          of one item with N/5 batches x 5 warehouses: N inventory rows, of which the six in
//          seven that hold stock are listed (unit prices recomputed by the component).
//
// For each size: the database is generated once into DATA and kept (named by size); the
// component runs once untimed with --trace-sql and --dump-grid (warm-up; the SQL it sent, the
// rows it showed); the limit and the peer run that trace once untimed; then RUNS rounds, each
// running the three in a rotated order. The three must show the same number of rows.
// Afterwards: the component on the same list emptied (its memory with no rows) and the raw
// payload of the largest list (every value as text, summed; open_limit --payload).
//
// Usage: open_compare --baselist EXE --limit EXE --peer EXE --data DIR [--runs N]
//                     [--list-rows N,N,...] [--batch-rows N,N,...] [--report FILE]
//                     [--plot-data PREFIX]
// Prints the tables (Markdown) and writes them to --report; --plot-data writes PREFIX-list.dat
// and PREFIX-batch.dat for gnuplot (rows, the three times, the three peaks). Every single run
// goes to DATA/open-samples.txt. Exit 0 done, 1 a run failed or the rows disagree, 2 bad
// arguments.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iostream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "child_process.h"
#include "open_workload.h"
#include "suite/sqlite/sqlite_connection.h"

namespace fs = std::filesystem;
using qmz::bench::Measured;
using qmz::bench::RunMeasured;

namespace {

// The limit as found: the limit's statements without the order the suite gives rows whose keys
// tie, to show what that order costs.
constexpr int kOurs = 0, kLimit = 1, kPeer = 2, kAsFound = 3, kContenders = 4;
const char* const kNames[] = {"ours", "limit", "peer", "limit as found"};
constexpr double kLimitTarget = 1.25;   // ours / limit, time
constexpr double kPeerTarget = 0.80;    // ours / peer, time
constexpr double kTiesTarget = 1.05;    // ours / limit as found, time
constexpr double kPayloadTarget = 1.0;  // ours above an empty list / raw payload, memory

struct Options {
  std::string baselist, limit, peer;
  fs::path data;
  int runs = 3;
  std::vector<int64_t> list_rows{10000, 100000, 1000000};
  std::vector<int64_t> batch_rows{1000, 10000, 100000};
  std::string report, plot_data;
};

struct Case {
  std::string workload;  // "list" or "batch"
  int64_t size = 0;      // inventory rows generated
  fs::path db;
  std::vector<std::string> ours;  // the component's command, without trace or dump
};

struct Outcome {
  int64_t rows = 0;
  bool sent_as_found = false;  // the suite sends the limit's statements as found, no order kept
  Measured median[kContenders];
  std::vector<Measured> samples[kContenders];
};

std::string Thousands(int64_t n) {
  std::string digits = std::to_string(n < 0 ? -n : n);
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(i, ",");
  return (n < 0 ? "-" : "") + digits;
}

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// The value of "key=value" in a program's output; -1 when absent.
int64_t Field(const std::string& output, const std::string& key) {
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(key + "=", 0) == 0) return std::atoll(line.c_str() + key.size() + 1);
  }
  return -1;
}

int64_t LinesOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n');
}

Measured Median(std::vector<Measured> samples) {
  auto middle = [&](auto member) {
    std::vector<double> values;
    for (const Measured& s : samples) values.push_back(s.*member);
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  };
  return {middle(&Measured::seconds), middle(&Measured::peak_mib), middle(&Measured::cpu_seconds)};
}

// The database of one size, generated on first use. A generation cut short leaves only the
// .part file, which the next run replaces.
fs::path Database(const Options& options, const std::string& name, int64_t items, int64_t batches,
                  int64_t warehouses, bool emptied = false) {
  fs::path path = options.data / (name + ".db");
  if (fs::exists(path)) return path;
  fs::path part = options.data / (name + ".part.db");
  fs::remove(part);
  std::cerr << "generating " << path.string() << "\n";
  RunMeasured(
      {options.baselist, "init-db", "--items", std::to_string(items), "--batches",
       std::to_string(batches), "--warehouses", std::to_string(warehouses), "--db", part.string()},
      options.data / "init-db.out", options.data / "init-db.err");
  if (emptied) {
    qmz::suite::SqliteConnection db(part.string(), false);
    db.Exec("delete from t_cc_inventory; delete from ICInvInitial;");
  }
  fs::rename(part, path);
  return path;
}

std::vector<std::string> With(std::vector<std::string> command,
                              std::initializer_list<std::string> more) {
  command.insert(command.end(), more);
  return command;
}

Outcome Measure(const Options& options, const Case& c, std::ostream& samples) {
  const std::string key = c.workload + "-" + std::to_string(c.size);
  const fs::path trace = options.data / (key + ".trace.jsonl");
  const fs::path grid = options.data / (key + ".grid.txt");
  const fs::path out = options.data / "run.out", err = options.data / "run.err";
  fs::remove(trace);
  fs::remove(grid);

  // Warm-up: the SQL the component sends and the rows it shows, then the other two once.
  RunMeasured(With(c.ours, {"--trace-sql", trace.string(), "--dump-grid", grid.string()}), out,
              err);
  const int64_t ours_rows = LinesOf(grid) - 1;  // the title row first
  fs::remove(grid);
  std::vector<std::string> commands[kContenders] = {
      c.ours,
      {options.limit, "--db", c.db.string(), "--trace", trace.string()},
      {options.peer, "--db", c.db.string(), "--trace", trace.string()},
      {options.limit, "--db", c.db.string(), "--trace", trace.string(), "--ties-as-found"}};
  RunMeasured(commands[kLimit], out, err);
  const int64_t limit_rows = Field(qmz::bench::ReadText(out), "rows");
  RunMeasured(commands[kPeer], out, err);
  const int64_t peer_rows = Field(qmz::bench::ReadText(out), "rows");
  if (ours_rows != limit_rows || ours_rows != peer_rows) {
    throw std::runtime_error(key + ": the rows disagree: ours " + std::to_string(ours_rows) +
                             ", limit " + std::to_string(limit_rows) + ", peer " +
                             std::to_string(peer_rows));
  }

  Outcome outcome;
  outcome.rows = limit_rows;
  outcome.sent_as_found = qmz::bench::SuiteSendsAsFound(trace.string());
  for (int round = 0; round < options.runs; ++round) {
    for (int k = 0; k < kContenders; ++k) {
      const int who = (round + k) % kContenders;
      Measured m = RunMeasured(commands[who], out, err);
      outcome.samples[who].push_back(m);
      samples << key << " " << kNames[who] << " round " << round + 1 << ": " << Fixed(m.seconds, 3)
              << " s " << Fixed(m.peak_mib, 1) << " MiB, CPU " << Fixed(m.cpu_seconds, 3) << " s\n";
    }
  }
  for (int who = 0; who < kContenders; ++who) outcome.median[who] = Median(outcome.samples[who]);
  std::cerr << key << ": " << Thousands(outcome.rows) << " rows, ours "
            << Fixed(outcome.median[kOurs].seconds, 3) << " s, limit "
            << Fixed(outcome.median[kLimit].seconds, 3) << " s, peer "
            << Fixed(outcome.median[kPeer].seconds, 3) << " s\n";
  return outcome;
}

std::string Verdict(double ratio, double target) {
  return Fixed(ratio, 2) + " (target <= " + Fixed(target, 2) + ": " +
         (ratio <= target ? "met" : "NOT met") + ")";
}

void Table(std::ostream& out, const std::string& title, const std::vector<Outcome>& outcomes) {
  out << "### " << title << "\n\n"
      << "| rows | ours time | limit time | peer time | ours/limit | ours/peer | ours peak MiB | "
         "limit MiB | peer MiB |\n"
      << "|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
  for (const Outcome& o : outcomes) {
    const Measured& ours = o.median[kOurs];
    const Measured& limit = o.median[kLimit];
    const Measured& peer = o.median[kPeer];
    out << "| " << Thousands(o.rows) << " | " << Fixed(ours.seconds, 3) << " s | "
        << Fixed(limit.seconds, 3) << " s | " << Fixed(peer.seconds, 3) << " s | "
        << Fixed(ours.seconds / limit.seconds, 2) << " | " << Fixed(ours.seconds / peer.seconds, 2)
        << " | " << Fixed(ours.peak_mib, 1) << " | " << Fixed(limit.peak_mib, 1) << " | "
        << Fixed(peer.peak_mib, 1) << " |\n";
  }
  if (outcomes.empty()) return;
  const Outcome& largest = outcomes.back();
  out << "\nAt " << Thousands(largest.rows) << " rows: ours/limit "
      << Verdict(largest.median[kOurs].seconds / largest.median[kLimit].seconds, kLimitTarget)
      << ", ours/peer "
      << Verdict(largest.median[kOurs].seconds / largest.median[kPeer].seconds, kPeerTarget)
      << ".\n\n";
  // Wall time is what the user waits for, but on a loaded machine it swings with the other
  // jobs; the processor time each spent swings far less and backs the ratios up.
  out << "Processor time (user + system), same runs:\n\n"
      << "| rows | ours CPU | limit CPU | peer CPU | ours/limit | ours/peer |\n"
      << "|---:|---:|---:|---:|---:|---:|\n";
  for (const Outcome& o : outcomes) {
    const double ours = o.median[kOurs].cpu_seconds, limit = o.median[kLimit].cpu_seconds,
                 peer = o.median[kPeer].cpu_seconds;
    out << "| " << Thousands(o.rows) << " | " << Fixed(ours, 3) << " s | " << Fixed(limit, 3)
        << " s | " << Fixed(peer, 3) << " s | " << Fixed(ours / limit, 2) << " | "
        << Fixed(ours / peer, 2) << " |\n";
  }
  // What one order for tied rows costs: ours gives it (the reader orders lists), the limit
  // gives it in its statements, the limit as found does not give it.
  out << "\nThe order of rows whose keys tie, same runs (limit as found: the limit's statements "
         "without the suite's tie-breakers; ours and the limit give the order):\n\n"
      << "| rows | limit as found | limit/as found | ours/as found |\n|---:|---:|---:|---:|\n";
  for (const Outcome& o : outcomes) {
    const double found = o.median[kAsFound].seconds;
    out << "| " << Thousands(o.rows) << " | " << Fixed(found, 3) << " s | "
        << Fixed(o.median[kLimit].seconds / found, 2) << " | "
        << Fixed(o.median[kOurs].seconds / found, 2) << " |\n";
  }
  // Statements sent as found, with no order left to the reader, cost the order nothing: the
  // ratio of ours to the limit as found would then show the component's other work.
  if (largest.sent_as_found) {
    out << "\nAt " << Thousands(largest.rows) << " rows the suite sends the statements as found "
        << "(the order costs nothing): " << Verdict(1.0, kTiesTarget) << ".\n\n";
    return;
  }
  out << "\nAt " << Thousands(largest.rows) << " rows: ours/as found "
      << Verdict(largest.median[kOurs].seconds / largest.median[kAsFound].seconds, kTiesTarget)
      << ".\n\n";
}

void PlotData(const std::string& path, const std::vector<Outcome>& outcomes) {
  std::ofstream out(path);
  out << "# rows ours_s limit_s peer_s ours_MiB limit_MiB peer_MiB\n";
  for (const Outcome& o : outcomes) {
    out << o.rows;
    for (int who = 0; who < 3; ++who) out << " " << Fixed(o.median[who].seconds, 4);
    for (int who = 0; who < 3; ++who) out << " " << Fixed(o.median[who].peak_mib, 2);
    out << "\n";
  }
}

std::vector<int64_t> Sizes(const std::string& text) {
  std::vector<int64_t> sizes;
  std::istringstream parts(text);
  std::string part;
  while (std::getline(parts, part, ',')) {
    int64_t n = std::atoll(part.c_str());
    if (n <= 0) return {};
    sizes.push_back(n);
  }
  return sizes;
}

bool Parse(int argc, char** argv, Options& options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string arg = argv[i], value = argv[i + 1];
    if (arg == "--baselist")
      options.baselist = value;
    else if (arg == "--limit")
      options.limit = value;
    else if (arg == "--peer")
      options.peer = value;
    else if (arg == "--data")
      options.data = value;
    else if (arg == "--runs")
      options.runs = std::atoi(value.c_str());
    else if (arg == "--list-rows")
      options.list_rows = Sizes(value);
    else if (arg == "--batch-rows")
      options.batch_rows = Sizes(value);
    else if (arg == "--report")
      options.report = value;
    else if (arg == "--plot-data")
      options.plot_data = value;
    else
      return false;
  }
  for (int64_t n : options.list_rows) {
    if (n % 50 != 0) return false;  // 10 batches x 5 warehouses per item
  }
  for (int64_t n : options.batch_rows) {
    if (n % 5 != 0) return false;  // 5 warehouses
  }
  return argc % 2 == 1 && !options.baselist.empty() && !options.limit.empty() &&
         !options.peer.empty() && !options.data.empty() && options.runs > 0 &&
         !options.list_rows.empty() && !options.batch_rows.empty();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Parse(argc, argv, options)) {
    std::cerr << "usage: open_compare --baselist EXE --limit EXE --peer EXE --data DIR [--runs N]\n"
                 "         [--list-rows N,...(multiples of 50)] [--batch-rows N,...(of 5)]\n"
                 "         [--report FILE] [--plot-data PREFIX]\n";
    return 2;
  }
  try {
    for (std::string* program : {&options.baselist, &options.limit, &options.peer}) {
      *program = fs::absolute(*program).string();
    }
    fs::create_directories(options.data);
    // A fresh component folder (saved widths) and no machine settings for every contender.
    const fs::path component = options.data / "component";
    fs::remove_all(component);
    fs::create_directories(component);
    ::setenv("QMZ_COMPONENT_DIR", component.c_str(), 1);
    ::setenv("QMZ_MACHINE_SETTINGS", (component / "machine.ini").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::ofstream samples(options.data / "open-samples.txt");

    std::vector<Outcome> lists, batches;
    for (int64_t rows : options.list_rows) {
      fs::path db = Database(options, "list-" + std::to_string(rows), rows / 50, 10, 5);
      Case c{
          "list",
          rows,
          db,
          {options.baselist, "show", "--db", db.string(), "--class-id", "18", "--script", "close"}};
      lists.push_back(Measure(options, c, samples));
    }
    for (int64_t rows : options.batch_rows) {
      fs::path db = Database(options, "batch-" + std::to_string(rows), 1, rows / 5, 5);
      Case c{"batch",
             rows,
             db,
             {options.baselist, "show-batch", "--db", db.string(), "--item", "1", "--script",
              "close"}};
      batches.push_back(Measure(options, c, samples));
    }

    // The component's memory with the list empty, and the raw payload of the largest list.
    const fs::path empty = Database(options, "list-empty", 1, 1, 1, true);
    const fs::path out = options.data / "run.out", err = options.data / "run.err";
    std::vector<Measured> empty_runs;
    for (int round = 0; round < options.runs; ++round) {
      Measured m = RunMeasured({options.baselist, "show", "--db", empty.string(), "--class-id",
                                "18", "--script", "close"},
                               out, err);
      empty_runs.push_back(m);
      samples << "list-empty ours round " << round + 1 << ": " << Fixed(m.seconds, 3) << " s "
              << Fixed(m.peak_mib, 1) << " MiB, CPU " << Fixed(m.cpu_seconds, 3) << " s\n";
    }
    const Measured empty_list = Median(empty_runs);
    const int64_t largest = options.list_rows.back();
    RunMeasured({options.limit, "--db",
                 (options.data / ("list-" + std::to_string(largest) + ".db")).string(), "--trace",
                 (options.data / ("list-" + std::to_string(largest) + ".trace.jsonl")).string(),
                 "--payload"},
                out, err);
    const int64_t payload = Field(qmz::bench::ReadText(out), "payload_bytes");
    if (payload <= 0) throw std::runtime_error("open_limit --payload printed no payload");

    std::ostringstream report;
    report
        << "Whole processes, median of " << options.runs
        << " runs each; time is wall clock, memory the peak resident set (ru_maxrss), processor\n"
           "time the user and system time the kernel counted for the process.\n\n";
    Table(report, "The base-data list (class 18): show, opened and closed", lists);
    Table(report, "The batch picker for one item: show-batch, opened and closed", batches);
    const Measured& ours_largest = lists.back().median[kOurs];
    const double above = ours_largest.peak_mib - empty_list.peak_mib;
    const double payload_mib = static_cast<double>(payload) / (1024.0 * 1024.0);
    report << "### Memory above an empty list\n\n"
           << "Ours at " << Thousands(lists.back().rows)
           << " rows: " << Fixed(ours_largest.peak_mib, 1) << " MiB peak; with the list empty "
           << Fixed(empty_list.peak_mib, 1) << " MiB (in " << Fixed(empty_list.seconds, 3)
           << " s): " << Fixed(above, 1) << " MiB above an empty list.\n"
           << "Raw payload of that list (every value of the result as text, summed): "
           << Thousands(payload) << " bytes = " << Fixed(payload_mib, 1) << " MiB.\n"
           << "Above an empty list / raw payload: " << Verdict(above / payload_mib, kPayloadTarget)
           << ".\n";

    std::cout << report.str();
    if (!options.report.empty()) std::ofstream(options.report) << report.str();
    if (!options.plot_data.empty()) {
      PlotData(options.plot_data + "-list.dat", lists);
      PlotData(options.plot_data + "-batch.dat", batches);
    }
    return 0;
  } catch (const std::exception& failure) {
    std::cerr << "open_compare: " << failure.what() << "\n";
    return 1;
  }
}
