// The baselist command as a user runs it: a separate process, JSON on stdout, exit codes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "component/inventory_sql.h"
#include "login/installation.h"
#include "suite/sqlite/sqlite_connection.h"

namespace qmz::testing {
namespace {

using ::testing::HasSubstr;
using Json = nlohmann::ordered_json;

struct Outcome {
  int code = -1;
  std::string out;
  std::string err;
};

// The values of `keys` in a printed object, as a JSON array (numbers stay numbers).
std::string Pick(const Json& object, const std::vector<std::string>& keys) {
  Json values = Json::array();
  for (const std::string& key : keys) values.push_back(object.at(key));
  return values.dump();
}

// Each test has a folder with a demo database (and its machine.ini) made by the command.
class BaselistCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("qmz_cli_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    // The server of QMZ_TEST_SERVER when the tests run on one, else a SQLite file.
    const char* server = std::getenv("QMZ_TEST_SERVER");
    db_value = server ? server : Path("demo.db");
    db = " --db '" + db_value + "'";
    Outcome init = Baselist("init-db --demo" + db);
    ASSERT_EQ(init.code, 0) << init.err;
    // The demo file and its machine.ini are there also when the suite is on a server.
    if (server) ASSERT_EQ(Baselist("init-db --demo --db " + Path("demo.db")).code, 0);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

  Outcome Baselist(const std::string& arguments, const std::string& prefix = "") const {
    std::string err_file = Path("stderr.txt");
    std::string command = prefix + "QMZ_COMPONENT_DIR=" + folder_.string() + " " +
                          std::string(QMZ_BASELIST_EXE) + " " + arguments + " 2>" + err_file;
    Outcome run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
    int status = ::pclose(pipe);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(err_file);
    run.err.assign(std::istreambuf_iterator<char>(err), {});
    return run;
  }

  std::filesystem::path folder_;
  std::string db_value;  // the demo database: its path or connection string
  std::string db;        // its option
};

TEST_F(BaselistCommandTest, LookupsPrintTheDictionaryAndTraceTheirSql) {
  // The demo's machine settings name its folder as the install folder of every edition.
  ::setenv("QMZ_MACHINE_SETTINGS", Path("machine.ini").c_str(), 1);
  for (const char* edition : {"QMZPRODUCT", "Ombrel", "Tessan", "Virel", "Caldor", "Pennet"}) {
    EXPECT_EQ(ReadMachineRegValue(std::string("SOFTWARE\\Vantrel\\COMMERCE\\") + edition, "Path"),
              folder_.string());
  }
  ::unsetenv("QMZ_MACHINE_SETTINGS");
  const std::string trace = " --trace-sql " + Path("trace.jsonl");
  Outcome batch = Baselist("get-batch --item 1 --batch \"A'B\"" + db + trace);
  ASSERT_EQ(batch.code, 0) << batch.err;
  Json printed = Json::parse(batch.out);
  EXPECT_EQ(printed.size(), 16u);
  EXPECT_EQ(printed.begin().key(), "FBatchNo");
  EXPECT_EQ(Pick(printed, {"FBatchNo", "stockName", "FQty", "FAmount"}),
            R"(["A'B","广州仓","7","14"])");
  Outcome aux = Baselist("get-aux --item 2 --aux Blue --user clerk" + db + trace);
  ASSERT_EQ(aux.code, 0) << aux.err;
  EXPECT_EQ(Json::parse(aux.out)["FQty"], "3");

  // The trace holds each text exactly as sent, one JSON line per batch.
  std::ifstream lines(Path("trace.jsonl"));
  std::vector<std::string> sent;
  for (std::string line; std::getline(lines, line);) sent.push_back(Json::parse(line)["sql"]);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0], testing::StockListSql(true, "a.FitemID = 1 and a.FBatchNo='A''B'"));

  // Host properties reach the library: before the closing the opening balances are read, and
  // the unit price is their amount over their quantity (after the closing it reads "0").
  Outcome open = Baselist("get-batch --item 1 --batch B2601 --stock 1 --host-prop ICClosed=0" + db);
  ASSERT_EQ(open.code, 0) << open.err;
  EXPECT_EQ(Json::parse(open.out)["Fprice"], "2.5");
}

TEST_F(BaselistCommandTest, DialogsPlayTheScriptAndPrintTheChosenRows) {
  Outcome shown =
      Baselist("show --class-id 18 --keyword B2603 --script \"key Enter\" --dump-grid " +
               Path("grid.txt") + db);
  ASSERT_EQ(shown.code, 0) << shown.err;
  Json rows = Json::parse(shown.out);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(Pick(rows[0], {"FBatchNo", "FStockName", "FKFDate"}),
            R"(["B2603","上海仓","1900-01-01"])");
  std::ifstream dump(Path("grid.txt"));
  std::string title, first;
  std::getline(dump, title);  // the title row, as in the dialog tests
  std::getline(dump, first);
  // The keyword was the query's fragment: the one B2603 row, no date and no shelf life shown.
  EXPECT_EQ(first, "B2603|B2603|B2603||12|上海仓|||上海仓|2|2|");

  Outcome quote =
      Baselist("show-ex --class-id 18 --script \"paste txtNumber x'; key F9; key Esc\"" + db);
  ASSERT_EQ(quote.code, 0) << quote.err;
  EXPECT_THAT(quote.err, HasSubstr("[Vantrel提示] 不能输入单引号。"));

  // The multi-row pickers print an array of the chosen rows, prices as numbers; null for none.
  Outcome batches = Baselist(
      "show-batch-multi --item 4 --filter N-000 --script \"select 2,3; key Enter Ledger\"" + db);
  ASSERT_EQ(batches.code, 0) << batches.err;
  Json picked = Json::parse(batches.out);
  ASSERT_TRUE(picked.is_array());
  ASSERT_EQ(picked.size(), 2u);
  EXPECT_EQ(Pick(picked[1], {"FBatchNo", "Fprice", "FAmount"}), R"(["N-0002",1234.5,1234.5])");
  picked = Json::parse(
      Baselist("show-aux-multi --item 2 --class-type 1030003 --script \"select 3; click cmdYes\"" +
               db)
          .out);
  ASSERT_EQ(picked.size(), 1u);
  EXPECT_EQ(Pick(picked[0], {"stockName", "StockNumber", "Fprice", "FAmount"}),
            R"(["北京仓","01",30.0,90.0])");
  EXPECT_EQ(Baselist("show-aux-multi --item 2 --script close" + db).out, "null\n");
}

TEST_F(BaselistCommandTest, TheDemoRunsWithoutADisplay) {
  Outcome demo = Baselist("demo" + db, "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ");
  ASSERT_EQ(demo.code, 0) << demo.err;
  EXPECT_THAT(demo.err, HasSubstr("a scripted user plays \"row 2; click cmdYes\""));
  EXPECT_THAT(demo.out,
              HasSubstr("ShowBatch(item 1): the batch picker showed\n"
                        "序号|批号|辅助属性|仓库|数量|单价|金额|生产日期|有效期至|stockID|"
                        "FBatchNoIndex|\n1|A'B||广州仓|7|2.00|14.00|"));
  std::string chosen = demo.out.substr(demo.out.find("and the user chose:\n") + 20);
  EXPECT_EQ(Json::parse(chosen)["FBatchNo"], "A'B");

  // The user's own script takes the place of the demo's.
  demo = Baselist("demo --script \"row 3; click cmdYes\"" + db);
  ASSERT_EQ(demo.code, 0) << demo.err;
  EXPECT_EQ(demo.err, "");
  chosen = demo.out.substr(demo.out.find("and the user chose:\n") + 20);
  EXPECT_EQ(Json::parse(chosen)["FBatchNo"], "B2601");
}

// Whatever text the database holds, the command prints JSON a program can read: quotes,
// backslashes and control characters escaped, bytes that are not UTF-8 replaced.
TEST_F(BaselistCommandTest, ItPrintsValidJsonForAnyStoredText) {
  suite::SqliteConnection(Path("demo.db"), false)
      .Exec(
          "update t_cc_inventory set FBatchNo = '0\"\\' || char(1) || char(10) || "
          "cast(X'FF' as text) || '''' where FBatchNo = 'B2602'");
  Outcome shown = Baselist("show --class-id 18 --script 'row 2; key Enter'" + db);
  ASSERT_EQ(shown.code, 0) << shown.err;
  Json rows = Json::parse(shown.out);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0]["FBatchNo"], "0\"\\\u0001\n\uFFFD'");
}

// The database may come from a file (--db @FILE) or from QMZ_DB, so that a connection string's
// password need not be on the command line; --db wins over QMZ_DB.
TEST_F(BaselistCommandTest, TheDatabaseComesFromAFileOrTheEnvironment) {
  const std::string lookup = "get-batch --item 1 --batch B2601";
  Outcome plain = Baselist(lookup + db);
  ASSERT_EQ(plain.code, 0) << plain.err;
  std::ofstream(Path("connection")) << db_value << "\n";
  std::ofstream(Path("empty"));
  std::ofstream(Path("blank-first")) << "\n" << db_value << "\n";
  const std::string quoted = "'" + db_value + "' ";
  const std::pair<std::string, std::string> same[] = {
      {lookup + " --db @" + Path("connection"), ""},
      {lookup, "QMZ_DB=" + quoted},
      {lookup, "QMZ_DB=@" + Path("connection") + " "},
      {lookup + db, "QMZ_DB=" + Path("missing.db") + " "},
  };
  for (const auto& [arguments, prefix] : same) {
    Outcome run = Baselist(arguments, prefix);
    EXPECT_EQ(run.code, 0) << prefix << arguments << ": " << run.err;
    EXPECT_EQ(run.out, plain.out) << prefix << arguments;
  }

  const std::string missing = Path("missing");
  const std::tuple<std::string, std::string, std::string> refused[] = {
      {lookup + " --db @" + missing, "",
       "baselist: --db @" + missing + ": cannot read " + missing + ": No such file or directory\n"},
      {lookup + " --db @" + folder_.string(), "",
       "baselist: --db @" + folder_.string() + ": cannot read " + folder_.string() +
           ": Is a directory\n"},
      {lookup + " --db @" + Path("empty"), "",
       "baselist: --db @" + Path("empty") + ": the first line of " + Path("empty") + " is empty\n"},
      {lookup, "QMZ_DB=@" + Path("blank-first") + " ",
       "baselist: QMZ_DB=@" + Path("blank-first") + ": the first line of " + Path("blank-first") +
           " is empty\n"},
      {lookup, "env -u QMZ_DB ", "baselist: --db is required unless QMZ_DB is set\n"},
      {"init-db --demo", "QMZ_DB=" + quoted,
       "--db is required\nRun with --help or --help-all for more information.\n"},
  };
  for (const auto& [arguments, prefix, message] : refused) {
    Outcome run = Baselist(arguments, prefix);
    EXPECT_EQ(run.code, 2) << prefix << arguments;
    EXPECT_EQ(run.err, message) << prefix << arguments;
    EXPECT_EQ(run.out, "") << prefix << arguments;
  }
}

TEST_F(BaselistCommandTest, FailuresAreReportedWithTheirExitCode) {
  std::ofstream(Path("not-a-suite.db")) << "hello";
  const std::tuple<std::string, int, std::string> cases[] = {
      {"get-batch --db x.db --item one --batch B", 2, "--item"},
      {"get-aux --db x.db --item 1 --aux R --host-prop ICClosed", 2,
       "--host-prop expects KEY=VALUE, got 'ICClosed'"},
      {"init-db --db " + Path("x.db"), 2, "init-db needs either --demo or --items"},
      {"frobnicate", 2, ""},
      {"", 2, ""},
      {"show --script close" + db, 2, ""},  // no class id
      {"show --class-id 40000 --script close" + db, 2, ""},
      {"show --class-id 18 --script \"jump 3\"" + db, 1, "Unknown script action 'jump 3'"},
      {"get-batch --user nobody --item 1 --batch B" + db, 1, "Unknown user of the suite: nobody"},
      {"get-batch --item 1 --batch B --db " + Path("missing.db"), 1,
       "Cannot open the suite database"},
      {"get-batch --item 1 --batch B --db " + Path("not-a-suite.db"), 1, ""},
      // The health check: a database that is none, or no suite, is the reason and exit 1.
      {"check --db " + Path("missing.db"), 1, "Cannot open the suite database"},
      {"check --db " + Path("not-a-suite.db"), 1, "baselist: "},
      {"show-batch-multi --item 1 --required-qty 0" + db, 2,
       "the required quantity 0 is not a number above 0"},
      {"show-batch-multi --item 1 --required-qty nan" + db, 2,
       "the required quantity nan is not a number above 0"},
      // An operation that fails answers null; the command says why instead of printing null.
      {"show-ex --class-id 70000 --script close" + db, 1, "baselist: Overflow\n"},
  };
  for (const auto& [arguments, code, message] : cases) {
    Outcome run = Baselist(arguments);
    EXPECT_EQ(run.code, code) << arguments;
    EXPECT_THAT(run.err, HasSubstr(message)) << arguments;
  }
  EXPECT_FALSE(std::filesystem::exists(Path("missing.db")));
  // A database that answers: what it is, whether it writes, how it names the desk, how fast.
  Outcome check = Baselist("check" + db + " --db-read '" + db_value + "'");
  ASSERT_EQ(check.code, 0) << check.err;
  const Json answer = Json::parse(check.out);
  EXPECT_THAT(answer.at("server").get<std::string>(),
              ::testing::AnyOf(::testing::StartsWith("SQLite 3."), HasSubstr("PostgreSQL")));
  EXPECT_FALSE(answer.at("read_only").get<bool>());
  EXPECT_GE(answer.at("round_trip_ms").get<double>(), 0.0);
  EXPECT_EQ(answer.at("read").at("server"), answer.at("server"));
}

}  // namespace
}  // namespace qmz::testing
