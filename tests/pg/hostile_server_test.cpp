// A server as a site may run it: database settings that change how texts read, a process in the
// C locale (CTest runs this program with LC_ALL=C), texts outside the BMP, a statement that
// never ends, a copy that fails half way, hosts that save the same new profile entry at once, an
// answer longer than the pieces it is read in.
// Needs QMZ_TEST_SERVER (tests/pg/server.sh run).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "login/user_profile.h"
#include "pg/answer_text.h"
#include "qmz/baselist.h"
#include "qmz/containers.h"
#include "qmz/error.h"
#include "qmz/suite.h"
#include "suite/database.h"
#include "suite/middle_tier/suite_store.h"
#include "suite/server/server_suite.h"
#include "suite/sqlite/sqlite_connection.h"

namespace qmz {
namespace {

using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

const std::string kServer = testing::FromEnvironment("QMZ_TEST_SERVER");

using testing::Text;

class HostileServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (kServer.empty()) GTEST_SKIP() << "run through tests/pg/server.sh";
    CreateDemoDatabase(kServer);
    OpenSuite(kServer);
    LogIn("clerk");
  }
  // The database's own settings, as its owner (the suite's role) may set them.
  void SetDatabase(const std::vector<std::string>& settings) {
    auto db = suite::OpenDatabase(kServer);
    db->Execute("set default_transaction_read_only = off");  // also on a read-only database
    const std::string name = *db->Query("select current_database()")[0][0];
    for (const std::string& setting : settings) {
      db->Execute("ALTER DATABASE " + name + " " + setting);
    }
  }
  void TearDown() override {
    if (kServer.empty()) return;
    SetDatabase({"RESET ALL"});
    suite::OpenDatabase(kServer)->Execute("DROP SCHEMA IF EXISTS evil CASCADE");
  }
};

TEST_F(HostileServerTest, DatabaseSettingsChangeNoAnswerAndLetNoTextOutOfItsLiteral) {
  BaseList list;
  const std::string b2601 = Text(list.GetBatch(1, "B2601", 0, 0, 0));
  const std::string nothing = Text(list.GetBatch(1, "no such batch", 0, 0, 0));
  ASSERT_THAT(b2601, HasSubstr("FBatchNo=B2601;AuxName=;stockName=上海仓;FQty=40;"));
  // A schema planted first in the search_path with a t_stock of its own, planner defaults that
  // would turn a lookup into a JIT-compiled one: no statement of the suite reaches them.
  auto db = suite::OpenDatabase(kServer);
  db->Execute("CREATE SCHEMA evil");
  db->Execute(
      "CREATE TABLE evil.t_stock AS SELECT FItemID, FNumber, 'EVIL' AS FName, FTypeID, "
      "FRightUserID FROM public.t_stock");
  SetDatabase({"SET standard_conforming_strings = off", "SET transform_null_equals = on",
               "SET DateStyle = 'SQL, DMY'", "SET extra_float_digits = -15",
               "SET enable_hashagg = on", "SET search_path = evil, public", "SET enable_sort = off",
               "SET jit_above_cost = 0"});
  // New sessions start with them.
  CloseSuite();
  OpenSuite(kServer);
  LogIn("clerk");

  // A backslash before the doubled quote stays inside the batch number.
  EXPECT_EQ(Text(list.GetBatch(1,
                               "x\\' or 1=1 Group by a.FBatchNo,c.Fname,b.Fname,e.FName,a.FKFDate,"
                               "a.FPeriodDate,b.FNumber,c.Fnumber,b.FitemID,d.FISKFPeriod,"
                               "a.FBatchNoIndex --",
                               0, 0, 0)),
            nothing);
  EXPECT_EQ(Text(list.GetBatch(1, "B2601", 0, 0, 0)), b2601);
  // Parameters keep their backslashes; texts outside the BMP and Chinese cross whole.
  SaveUserProfile("BaseList", "Hostile", "a\\'b\\\\ 仓😀");
  EXPECT_EQ(GetUserProfile("BaseList", "Hostile"), "a\\'b\\\\ 仓😀");
}

TEST_F(HostileServerTest, ALookupSentAgainIsPlannedOnceAndAnswersAsItsOwnTextDid) {
  BaseList list;
  // Each answer as the lookup's text gave it the first time; then the same lookups again,
  // beyond the five plans the server makes for their values before it plans once for all.
  const std::vector<std::pair<int, std::string>> lookups = {
      {1, "B2601"}, {2, "P-01"}, {1, "A'B"}, {4, "N-0002"}, {1, "no such batch"}};
  std::vector<std::string> first;
  for (const auto& [item, batch] : lookups)
    first.push_back(Text(list.GetBatch(item, batch, 0, 0, 0)));
  EXPECT_THAT(first[0], HasSubstr("FBatchNo=B2601;AuxName=;stockName=上海仓;FQty=40;"));
  EXPECT_THAT(first[1], HasSubstr("FBatchNo=P-01;AuxName=Red;"));
  EXPECT_THAT(first[2], HasSubstr("FBatchNo=A'B;"));
  EXPECT_THAT(first[3], HasSubstr("FBatchNo=N-0002;"));
  EXPECT_THAT(first[4], ::testing::StartsWith("FBatchNo=;AuxName=;stockName=;FQty=;"));
  const auto again = [&] {
    std::vector<std::string> answers;
    for (const auto& [item, batch] : lookups) {
      answers.push_back(Text(list.GetBatch(item, batch, 0, 0, 0)));
    }
    return answers;
  };
  for (int round = 0; round < 3; ++round) EXPECT_EQ(again(), first);
  // A desk direct to the server reads its lookups through libpq on a second connection, which
  // keeps the one statement, its values typed as what they meet, planned once for all values. A
  // lookup of that connection's statements, sent a second time, is read there too.
  // Each opening takes the desk's one kept connection.
  const auto on_the_lookups_connection = [&] {
    auto db = suite::OpenDatabase(kServer);
    const std::string sql =
        "select name, parameter_types::text as types, generic_plans > 0 as generic, "
        "prepare_time::text as at from pg_prepared_statements where 1 = 1 order by prepare_time";
    db->RunTsql(sql);
    return db->RunTsql(sql);
  };
  RecordsetPtr statements = on_the_lookups_connection();
  ASSERT_EQ(statements->RecordCount(), 2);
  EXPECT_EQ(statements->Value("name").ToText(), "qmz_lookup_1");
  EXPECT_EQ(statements->Value("types").ToText(), "{integer,citext}");
  EXPECT_EQ(statements->Value("generic").ToText(), "1");  // a boolean as the driver gives it
  const std::string prepared_at = statements->Value("at").ToText();
  // The desk's driver connection keeps the suite's settings for its session, and so does the
  // lookups' own: requests carry none.
  const std::string settings =
      "select current_setting('enable_hashagg') || '|' || current_setting('search_path') || '|' || "
      "current_setting('DateStyle') || '|' || current_setting('statement_timeout') || '|' || "
      "current_setting('default_transaction_isolation') || "
      "current_setting('standard_conforming_strings') as s where 2 = 2";
  for (int call = 0; call < 3; ++call) {
    EXPECT_EQ(suite::OpenDatabase(kServer)->RunTsql(settings)->Value("s").ToText(),
              "off|public|ISO, YMD|1min|read committedon");
  }

  // Tables made anew with other column types: the kept plan answers other columns; the lookup
  // is read by the driver meanwhile, then prepared again.
  suite::OpenDatabase(kServer)->Execute(
      "alter table t_stock alter column FNumber type varchar(80)");
  for (int round = 0; round < 3; ++round) EXPECT_EQ(again(), first);
  statements = on_the_lookups_connection();
  bool remade = false;
  for (int at = 1; at <= statements->RecordCount(); ++at) {
    statements->SetAbsolutePosition(at);
    remade |= statements->Value("types").ToText() == "{integer,citext}" &&
              statements->Value("at").ToText() > prepared_at;
  }
  EXPECT_TRUE(remade);
  // At most 32 stay prepared: the statement used longest ago is deallocated.
  auto db = suite::OpenDatabase(kServer);
  for (int q = 0; q < 40; ++q) {
    const std::string sql = "select " + std::to_string(q) + " as x from t_stock where FItemID = 1";
    for (int round = 0; round < 3; ++round) EXPECT_EQ(db->RunTsql(sql)->Value("x").ToInt64(), q);
  }
  db.reset();
  EXPECT_EQ(on_the_lookups_connection()->RecordCount(), 32);

  // A desk whose connection string sets what libpq cannot be told alike (here psqlODBC's own
  // default, spelt out) has the driver keep its lookups prepared, with the same answers.
  CloseSuite();
  OpenSuite(kServer + ";BoolsAsChar=1");
  LogIn("clerk");
  for (int round = 0; round < 3; ++round) EXPECT_EQ(again(), first);
  const auto driver_kept = suite::OpenDatabase(kServer + ";BoolsAsChar=1")
                               ->Query(
                                   "select name, parameter_types::text, generic_plans > 0 "
                                   "from pg_prepared_statements");
  ASSERT_EQ(driver_kept.size(), 1u);
  EXPECT_THAT(*driver_kept[0][0], ::testing::StartsWith("_PLAN"));
  EXPECT_EQ(*driver_kept[0][1], "{integer,citext}");
  EXPECT_EQ(*driver_kept[0][2], "1");
}

TEST_F(HostileServerTest, EveryKindOfColumnReadsAlikeHoweverALookupIsSent) {
  // Sent once as its text, then through libpq (then kept there): the same names, kinds and
  // values each time. A zoned timestamp, which the driver writes otherwise, stays with the driver.
  auto db = suite::OpenDatabase(kServer);
  for (const std::string& lookup :
       {std::string(testing::kEveryKindLookup),
        std::string("select timestamptz '2026-01-02 03:04:05+08' as tz from t_stock where "
                    "FItemID = 1")}) {
    const std::string first = testing::Described(db->RunTsql(lookup));
    for (int again = 0; again < 3; ++again) {
      EXPECT_EQ(testing::Described(db->RunTsql(lookup)), first);
    }
  }
  EXPECT_EQ(testing::Described(db->RunTsql(testing::kEveryKindLookup)), testing::kEveryKindAnswer);
}

TEST_F(HostileServerTest, TextsOutsideTheBmpCrossTheReadChunksWhole) {
  // The driver hands a text out in pieces of 2,047 UTF-16 units: the pair of 😀 is split.
  const std::string long_text = std::string(2046, 'a') + "😀仓b";
  auto db = suite::OpenDatabase(kServer);
  RecordsetPtr rows = db->RunTsql("select '" + long_text + "' as t");
  ASSERT_EQ(rows->RecordCount(), 1);
  EXPECT_EQ(rows->Value("t").ToText(), long_text);
}

TEST_F(HostileServerTest, AStatementEndsAtTheQueryTimeout) {
  // The desk's kept connection, made with the default timeout, is handed to a caller with a
  // shorter one, then back to one with the default.
  // A lookup sent again is read on the desk's libpq session, which follows the caller's timeout.
  const std::string timeout_lookup =
      "select current_setting('statement_timeout') as s from t_stock where FItemID = 1";
  const std::string sleeping_lookup =
      "select pg_sleep(3)::text as s from t_stock where FItemID = 1";
  std::string backend;
  {
    auto db = suite::OpenDatabase(kServer);
    backend = *db->Query("select pg_backend_pid()")[0][0];
    db->RunTsql(timeout_lookup);
    EXPECT_EQ(db->RunTsql(timeout_lookup)->Value("s").ToText(), "1min");
  }
  ::setenv("QMZ_QUERY_TIMEOUT", "1", 1);
  auto db = suite::OpenDatabase(kServer);
  ::unsetenv("QMZ_QUERY_TIMEOUT");
  EXPECT_EQ(*db->Query("select pg_backend_pid()")[0][0], backend);
  EXPECT_EQ(db->RunTsql(timeout_lookup)->Value("s").ToText(), "1s");
  for (int sent = 0; sent < 2; ++sent) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THAT([&] { db->RunTsql(sleeping_lookup); },
                ThrowsMessage<Error>(HasSubstr("canceling statement due to statement timeout")));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
  }
  EXPECT_THAT([&] { db->RunTsql("select pg_sleep(30) as s"); },
              ThrowsMessage<Error>(HasSubstr("statement timeout")));
  db.reset();
  EXPECT_EQ(*suite::OpenDatabase(kServer)->Query("select pg_sleep(1.5)::text || "
                                                 "current_setting('statement_timeout')")[0][0],
            "1min");
  // Values the drivers would wrap, or that are no number, are refused.
  for (const char* value :
       {"soon", "4294968", "2147484", "99999999999999999999", "-1", " 5", "+5"}) {
    ::setenv("QMZ_QUERY_TIMEOUT", value, 1);
    EXPECT_THAT([] { suite::OpenDatabase(kServer); },
                ThrowsMessage<Error>("QMZ_QUERY_TIMEOUT must be a number of seconds from 0 (no "
                                     "limit) to 2147483: " +
                                     std::string(value)));
  }
  ::setenv("QMZ_QUERY_TIMEOUT", "2147483", 1);
  EXPECT_EQ(*suite::OpenDatabase(kServer)->Query("select 1")[0][0], "1");
  ::unsetenv("QMZ_QUERY_TIMEOUT");
}

TEST_F(HostileServerTest, AServerThatStopsAnsweringIsCutOffAtTheQueryTimeout) {
  // A lookup sent again is read on the desk's libpq connection, another server process than the
  // driver's. Either process stopped: its own statement timeout cannot fire. The call ends anyway;
  // should it not, the process goes on after a minute and the test fails.
  const std::string lookup = "select pg_backend_pid() as p from t_stock where FItemID = 1";
  for (const bool libpq : {true, false}) {
    ::setenv("QMZ_QUERY_TIMEOUT", "2", 1);
    auto db = suite::OpenDatabase(kServer);
    ::unsetenv("QMZ_QUERY_TIMEOUT");
    const pid_t backend = std::stoi(*db->Query("select pg_backend_pid()")[0][0]);
    const int64_t stocks = db->RunTsql("select count(*) as n from t_stock")->Value("n").ToInt64();
    db->RunTsql(lookup);
    const auto lookups = static_cast<pid_t>(db->RunTsql(lookup)->Value("p").ToInt64());
    ASSERT_NE(lookups, backend);
    const pid_t stopped = libpq ? lookups : backend;
    const std::string sql = libpq ? lookup : "select count(*) as n from t_stock where FItemID > 0";
    if (::kill(stopped, SIGSTOP) != 0) GTEST_SKIP() << "may not stop the server's process";
    auto answer = std::async(std::launch::async, [&] {
      try {
        db->RunTsql(sql);
        return std::string("answered");
      } catch (const Error& e) {
        return std::string(e.what());
      }
    });
    const bool ended = answer.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    ::kill(stopped, SIGCONT);
    ASSERT_TRUE(ended);
    EXPECT_EQ(answer.get(),
              "The suite database did not answer within 2 seconds (QMZ_QUERY_TIMEOUT); its "
              "connection was dropped")
        << libpq;
    // The dropped connection is not reused; the next caller answers.
    db.reset();
    auto next = suite::OpenDatabase(kServer);
    EXPECT_NE(*next->Query("select pg_backend_pid()")[0][0], std::to_string(backend));
    EXPECT_EQ(next->RunTsql("select count(*) as n from t_stock")->Value("n").ToInt64(), stocks);
  }
}

// Whether the server still has a backend of that process id, asked on a connection of its own
// (another connection string, so that it takes nothing from the pool the test watches).
bool BackendLives(const std::string& pid) {
  auto probe = suite::OpenDatabase(kServer + ";");
  return *probe->Query("select count(*) from pg_stat_activity where pid = " + pid)[0][0] != "0";
}

// Waits, a bounded while, for a backend to end.
bool BackendEnds(const std::string& pid) {
  for (int i = 0; i < 300 && BackendLives(pid); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return !BackendLives(pid);
}

TEST_F(HostileServerTest, ADeskKeepsOneIdleConnectionAndClosesItWhenIdleTooLong) {
  CloseSuite();
  std::string first, second;
  {
    auto a = suite::OpenDatabase(kServer);
    auto b = suite::OpenDatabase(kServer);
    first = *a->Query("select pg_backend_pid()")[0][0];
    second = *b->Query("select pg_backend_pid()")[0][0];
  }
  // Two in use, one kept: the one given back last is closed.
  EXPECT_TRUE(BackendEnds(first));
  EXPECT_TRUE(BackendLives(second));
  // Idle past the limit, it is closed although the host calls no more.
  ::setenv("QMZ_IDLE_CONNECTION_SECONDS", "1", 1);
  {
    auto c = suite::OpenDatabase(kServer);
    EXPECT_EQ(*c->Query("select pg_backend_pid()")[0][0], second);
  }
  EXPECT_TRUE(BackendEnds(second));
  ::unsetenv("QMZ_IDLE_CONNECTION_SECONDS");
  CloseSuite();
}

TEST_F(HostileServerTest, ALongAnswerComesWholeInPiecesAndItsConnectionGoesBackClean) {
  auto made = suite::OpenDatabase(kServer);
  made->Execute("drop table if exists qmz_pieces");
  made->Execute(
      "create table qmz_pieces as select g as FID, case when g % 7 = 0 then null when g % 1000 = 0 "
      "then repeat('x', 254) || '😀' || g else 'r' || g || '😀' end as FName "
      "from generate_series(1, 25001) g");
  made.reset();
  // Pieces are 5,000 rows: none, one, a few blocks, exactly one and four, and five and a bit; as
  // a lookup's answer and as a list's.
  for (int count : {0, 1, 2000, 5000, 20000, 25001}) {
    for (bool list : {false, true}) {
      SCOPED_TRACE(std::to_string(count) + (list ? " rows of a list" : " rows of a lookup"));
      auto db = suite::OpenDatabase(kServer);
      const std::string pid = *db->Query("select pg_backend_pid()")[0][0];
      RecordsetPtr rows =
          db->RunTsql("select FID, FName from qmz_pieces where FID <= " + std::to_string(count) +
                          " order by FID",
                      list);
      ASSERT_EQ(rows->RecordCount(), count);
      ASSERT_EQ(rows->FieldCount(), 2);
      EXPECT_EQ(rows->FieldName(0), "FID");
      EXPECT_EQ(rows->FieldName(1), "FName");
      for (int at : {1, 7, 5000, 5001, 20000, 25001}) {
        if (at > count) continue;
        rows->SetAbsolutePosition(at);
        EXPECT_EQ(rows->Value("FID").ToInt64(), at);
        const Variant name = rows->Value("FName");
        // Texts of 254 units and more do not fit the cells the rows are read into.
        const std::string want = at % 7 == 0      ? "null"
                                 : at % 1000 == 0 ? std::string(254, 'x') + "😀" + std::to_string(at)
                                                  : "r" + std::to_string(at) + "😀";
        EXPECT_EQ(name.IsNull() ? "null" : name.ToText(), want);
      }
      db.reset();
      // The same connection serves the next caller: no transaction and no cursor left open.
      auto next = suite::OpenDatabase(kServer);
      EXPECT_EQ(*next->Query("select pg_backend_pid()")[0][0], pid);
      EXPECT_EQ(*next->Query("select count(*) from pg_cursors")[0][0], "0");
      EXPECT_EQ(*next->Query("select case when now() = statement_timestamp() then 'own' end")[0][0],
                "own");
    }
  }

  // A list the server would read in parallel, as a server set to parallelise even small scans
  // would: the same rows in the same order, also when no table can hold the answer.
  auto db = suite::OpenDatabase(kServer);
  const std::vector<std::string> parallel = {"parallel_setup_cost", "parallel_tuple_cost",
                                             "min_parallel_table_scan_size"};
  for (const std::string& setting : parallel) db->Execute("set " + setting + " = 0");
  db->Execute("set max_parallel_workers_per_gather = 2");
  const std::string list = "select FID, FName from qmz_pieces order by FID desc";
  std::string plan;
  for (const auto& line : db->Query("explain " + list)) plan += *line[0] + "\n";
  ASSERT_THAT(plan, HasSubstr("Gather Merge"));
  RecordsetPtr rows = db->RunTsql(list, true);
  ASSERT_EQ(rows->RecordCount(), 25001);
  int64_t want = 25001, out_of_order = 0;
  for (rows->MoveFirst(); !rows->Eof(); rows->MoveNext(), --want) {
    out_of_order += rows->Value("FID").ToInt64() != want;
  }
  EXPECT_EQ(want, 0);
  EXPECT_EQ(out_of_order, 0);
  rows = db->RunTsql("select FID, FID from qmz_pieces where FID > 24990 order by FID", true);
  ASSERT_EQ(rows->RecordCount(), 11);
  EXPECT_EQ(rows->Value(1).ToInt64(), 24991);
  EXPECT_EQ(*db->Query("select count(*) from pg_class where relname = 'qmz_answer'")[0][0], "0");
  // A server that writes nothing, as a standby: the cursor reads the statement, the rows the
  // same. Turned read-only after the connection was made, the table is refused and the list
  // read all the same; made on a read-only server, the connection never asks for the table.
  db->Execute("set default_transaction_read_only = on");
  ASSERT_EQ(db->RunTsql(list, true)->RecordCount(), 25001);
  db->Execute("reset default_transaction_read_only");
  SetDatabase({"SET default_transaction_read_only = on"});
  CloseSuite();  // the kept connections were made before: the next one is new
  {
    auto standby = suite::OpenDatabase(kServer);
    for (const std::string& setting : parallel) standby->Execute("set " + setting + " = 0");
    standby->Execute("set max_parallel_workers_per_gather = 2");
    rows = standby->RunTsql(list, true);
    ASSERT_EQ(rows->RecordCount(), 25001);
    EXPECT_EQ(rows->Value("FID").ToInt64(), 25001);
  }
  SetDatabase({"RESET default_transaction_read_only"});
  for (const std::string& setting : parallel) db->Execute("reset " + setting);
  db->Execute("reset max_parallel_workers_per_gather");
  db.reset();

  // A piece that fails after the first: the error, and the next caller answers.
  ::setenv("QMZ_QUERY_TIMEOUT", "1", 1);
  db = suite::OpenDatabase(kServer);
  ::unsetenv("QMZ_QUERY_TIMEOUT");
  EXPECT_THAT(
      [&] {
        db->RunTsql(
            "select FID, case when FID = 15000 then (select 1 from pg_sleep(3)) end as s "
            "from qmz_pieces");
      },
      ThrowsMessage<Error>(HasSubstr("statement timeout")));
  db.reset();
  auto after = suite::OpenDatabase(kServer);
  EXPECT_EQ(after->RunTsql("select count(*) as n from qmz_pieces")->Value("n").ToInt64(), 25001);
  after->Execute("drop table qmz_pieces");
}

TEST_F(HostileServerTest, ACopyThatFailsHalfWayLeavesTheSuiteAsItWas) {
  BaseList list;
  const std::string b2601 = Text(list.GetBatch(1, "B2601", 0, 0, 0));
  // The second table's row is no integer for the server: the copy fails after the first table.
  suite::SqliteConnection source(":memory:", true);
  source.Exec(
      "create table t_icitem (FItemID INTEGER); insert into t_icitem values (1);"
      "create table t_stock (FItemID INTEGER); insert into t_stock values ('x');");
  auto server = suite::OpenDatabase(kServer);
  EXPECT_THROW(suite::CopySuiteToServer(source, *server), Error);
  EXPECT_EQ(Text(list.GetBatch(1, "B2601", 0, 0, 0)), b2601);
}

TEST_F(HostileServerTest, HostsSavingTheSameNewProfileEntryAtOnceAllSucceed) {
  // Also where the site made serializable transactions the default.
  SetDatabase({"SET default_transaction_isolation = 'serializable'"});
  constexpr int kHosts = 8, kKeys = 25;
  std::vector<std::string> failures(kHosts);
  std::vector<std::thread> hosts;
  for (int h = 0; h < kHosts; ++h) {
    hosts.emplace_back([h, &failures] {
      try {
        suite::SuiteStore store(kServer);
        for (int k = 0; k < kKeys; ++k) {
          store.SaveUserProfile(1, "Race", "Key" + std::to_string(k), "host" + std::to_string(h));
        }
      } catch (const std::exception& e) {
        failures[h] = e.what();
      }
    });
  }
  for (auto& host : hosts) host.join();
  EXPECT_EQ(failures, std::vector<std::string>(kHosts));
  suite::SuiteStore store(kServer);
  EXPECT_THAT(store.UserProfile(1, "Race", "Key24"), HasSubstr("host"));
}

// Runs a shell command; its exit code.
int Shell(const std::string& command) {
  return std::system(command.c_str());
}

TEST_F(HostileServerTest, AHostTellsAServerDownFromNothingFoundAndAnswersAgainAfterARestart) {
  const char* dir = std::getenv("QMZ_TEST_SERVER_DIR");
  const char* run_sh = std::getenv("QMZ_TEST_RUN_SH");
  if (dir == nullptr || run_sh == nullptr) GTEST_SKIP() << "run through tests/pg/server.sh";
  BaseList list;
  const std::string b2601 = Text(list.GetBatch(1, "B2601", 0, 0, 0));
  EXPECT_NE(Text(list.GetBatch(1, "no such batch", 0, 0, 0)), "null");
  EXPECT_EQ(LastFailure(), "");

  // The server stops under the host (its pooled connections die with it).
  const std::string data = std::string(dir) + "/data";
  ASSERT_EQ(Shell("runuser -u \"$(stat -c %U " + data +
                  ")\" -- /usr/lib/postgresql/15/bin/pg_ctl "
                  "stop -D " +
                  data + " -m fast -w -s"),
            0);
  EXPECT_EQ(Text(list.GetBatch(1, "B2601", 0, 0, 0)), "null");
  EXPECT_THAT(LastFailure(), HasSubstr("Cannot connect to the suite database"));

  ASSERT_EQ(Shell(std::string(run_sh) + " pg-start " + dir + " >/dev/null"), 0);
  EXPECT_EQ(Text(list.GetBatch(1, "B2601", 0, 0, 0)), b2601);
  EXPECT_EQ(LastFailure(), "");
}

}  // namespace
}  // namespace qmz
