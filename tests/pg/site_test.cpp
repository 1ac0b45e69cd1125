// The suite on a site (tests/pg/site.sh): through pgbouncer in transaction mode with the role's
// defaults set against everything the suite relies on, on a hot standby, and across a failover.
// Needs QMZ_TEST_SITE (the folder of ./run.sh site-start) and QMZ_TEST_FAILOVER (the command
// that fails the site over).
#include <arpa/inet.h>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
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

namespace qmz {
namespace {

using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

const std::string kSite = testing::FromEnvironment("QMZ_TEST_SITE");

// The --db value site-start wrote in the site's file `name`.
std::string SiteDb(const std::string& name) {
  std::ifstream file(kSite + "/" + name);
  std::string line;
  std::getline(file, line);
  return line;
}

using testing::Text;

// B2601 in the virtual warehouse: an amount with a fraction, dates, Chinese.
constexpr char kB2601[] =
    "FBatchNo=B2601;AuxName=;stockName=虚拟仓;FQty=5;FUnitName=个;FSecQty=0;Fprice=0;"
    "FAmount=12.5;FKFDate=2026-01-05;FPeriodDate=2027-01-05;StockNumber=03;AuxNumber=;"
    "AuxPropID=;FitemID=3;FISKFPeriod=1;FBatchNoIndex=0;";

std::string LookUpB2601() {
  return Text(BaseList().GetBatch(1, "B2601", 3, 0, 0));
}

// Every stock row, as a list a person pages through: the server plans it in parallel (the
// site's role defaults make every plan parallel).
constexpr char kEveryStockRow[] =
    "select FItemID, FStockID, FBatchNo, FBal from t_cc_inventory "
    "order by FItemID, FStockID, FBatchNo";

std::string ListText(const std::string& db) {
  RecordsetPtr rows = suite::OpenDatabase(db)->RunTsql(kEveryStockRow, true);
  std::string text;
  for (rows->MoveFirst(); !rows->Eof(); rows->MoveNext()) {
    for (const char* field : {"FItemID", "FStockID", "FBatchNo", "FBal"}) {
      text += rows->Value(field).ToText() + "|";
    }
    text += ";";
  }
  return text;
}

// The TCP connections this process holds to `port` on this machine, by descriptor.
std::set<int> ConnectionsTo(int port) {
  std::map<std::string, int> ours;  // socket inode → descriptor
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const std::string target = std::filesystem::read_symlink(fd.path(), error).string();
    if (target.rfind("socket:[", 0) == 0) {
      ours[target.substr(8, target.size() - 9)] = std::stoi(fd.path().filename().string());
    }
  }
  char remote[16];
  std::snprintf(remote, sizeof remote, ":%04X", port);
  std::set<int> found;
  std::ifstream table("/proc/self/net/tcp");
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local, peer, state, queues, timer, retransmits, uid, timeout, inode;
    fields >> slot >> local >> peer >> state >> queues >> timer >> retransmits >> uid >> timeout >>
        inode;
    if (state == "01" && peer.size() > 5 && peer.substr(peer.size() - 5) == remote &&
        ours.count(inode) != 0) {
      found.insert(ours[inode]);
    }
  }
  return found;
}

// What the connection on descriptor `fd` has received, in bytes.
uint64_t Received(int fd) {
  tcp_info info{};
  socklen_t length = sizeof info;
  return ::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &length) == 0 ? info.tcpi_bytes_received
                                                                      : 0;
}

// A desk of its own through the pooler, found by the connections it makes: its driver's, made by
// its first lookup, and its lookups' own, made when a lookup comes again.
struct PooledDesk {
  std::string db = SiteDb("pooler") + ";";  // a string of its own: no connection kept for it yet
  int port = 0;
  std::set<int> others;  // the connections that were there before
  int driver = -1, lookups = -1;

  PooledDesk();
  // The one connection made since `before`.
  int MadeSince(const std::set<int>& before) const {
    std::set<int> now = ConnectionsTo(port);
    for (int fd : before) now.erase(fd);
    EXPECT_EQ(now.size(), 1u);
    return now.empty() ? -1 : *now.begin();
  }
};

// Every row of `rows` as testing::Described writes one, a line each.
std::string EveryRow(const RecordsetPtr& rows) {
  std::string text;
  for (int32_t at = 1; at <= rows->RecordCount(); ++at) {
    rows->SetAbsolutePosition(at);
    text += (at > 1 ? "\n" : "") + testing::Described(rows);
  }
  return text;
}

int PortOf(const std::string& db) {
  std::smatch port;
  return std::regex_search(db, port, std::regex(";Port=([0-9]+)")) ? std::stoi(port[1]) : 0;
}

PooledDesk::PooledDesk() : port(PortOf(db)), others(ConnectionsTo(port)) {}

class SiteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (kSite.empty()) GTEST_SKIP() << "run through tests/pg/site.sh";
  }
  void TearDown() override { CloseSuite(); }
};

TEST_F(SiteTest, ThroughATransactionPoolerEveryCallHasTheSuitesSettingsAndItsTimeout) {
  OpenSuite(SiteDb("pooler"));
  LogIn("clerk");
  // Four desks at once on the pool's ten server connections, each looking up 50 times.
  std::vector<std::thread> desks;
  std::vector<int> wrong(4, 0);
  for (int desk = 0; desk < 4; ++desk) {
    desks.emplace_back([desk, &wrong] {
      for (int i = 0; i < 50; ++i) wrong[desk] += LookUpB2601() != kB2601;
    });
  }
  for (std::thread& desk : desks) desk.join();
  EXPECT_THAT(wrong, ::testing::Each(0));
  // A desk reads the lookups it sends again on a second client connection to the pooler, each
  // request carrying the settings: every kind of column answers as on a direct server, whatever
  // the role's defaults, sent as its text on the driver's connection and then on the lookups' own,
  // while the driver's receives nothing.
  PooledDesk desk;
  {
    auto db = suite::OpenDatabase(desk.db);
    const auto every_kind = [&] {
      EXPECT_EQ(testing::Described(db->RunTsql(testing::kEveryKindLookup)),
                testing::kEveryKindAnswer);
    };
    every_kind();
    desk.driver = desk.MadeSince(desk.others);
    std::set<int> before = desk.others;
    before.insert(desk.driver);
    every_kind();
    desk.lookups = desk.MadeSince(before);
    const uint64_t driver = Received(desk.driver), lookups = Received(desk.lookups);
    for (int sent = 0; sent < 3; ++sent) every_kind();
    EXPECT_EQ(Received(desk.driver), driver);
    EXPECT_GT(Received(desk.lookups), lookups);

    // Executed by name, a lookup carries only the settings its answer relies on: dates, the
    // digits of floating numbers, `= null`, the order of a set of rows. Each answers as its text
    // did, also once the server parses it again after its table changed (with the search_path and
    // transform_null_equals of the request, not the role's).
    const std::vector<std::pair<std::string, std::string>> relying = {
        {"select FNumber as ci, date '2026-01-02' as d, FItemID * 0.5 as n from t_stock "
         "where FItemID = 1",
         "ci:5=01;d:5=2026-01-02;n:4=0.5;"},
        {"select FName as name, 1 / 3::float8 as third from t_stock where FItemID = 1",
         "name:5=北京仓;third:4=0.333333333333333;"},
        {"select count(*) as n, max(FName) as name from t_stock "
         "where FItemID = 1 or nullif(FNumber, '02') = null",
         "n:3=1;name:5=北京仓;"},
        {"select distinct FName as name from t_auxItem",
         "name:5=Blue;\nname:5=Dark Red;\nname:5=Green;\nname:5=Red;"}};
    for (int round = 0; round < 2; ++round) {
      if (round == 1) {
        suite::OpenDatabase(SiteDb("primary"))
            ->Execute("alter table t_stock alter column FName set statistics 200");
      }
      // Enough requests that the pool's server sessions have prepared each before the change.
      for (int sent = 0; sent < 20; ++sent) {
        for (const auto& [lookup, answer] : relying) {
          EXPECT_EQ(EveryRow(db->RunTsql(lookup)), answer) << lookup << " " << sent;
        }
      }
    }
  }
  // The list the server plans in parallel is made into a table and read in one transaction.
  const std::string list = ListText(SiteDb("pooler"));
  EXPECT_THAT(list, HasSubstr("1|3|B2601|12.5|;"));
  EXPECT_EQ(ListText(SiteDb("primary")), list);

  // The query timeout holds whatever server connection runs the statement; the role's hour
  // does not.
  ::setenv("QMZ_QUERY_TIMEOUT", "1", 1);
  for (int i = 0; i < 3; ++i) {
    auto db = suite::OpenDatabase(SiteDb("pooler"));
    EXPECT_THAT([&] { db->RunTsql("select pg_sleep(3) as s"); },
                ThrowsMessage<Error>(HasSubstr("statement timeout")));
  }
  // So does a lookup's: sent as its text on the desk's driver connection, then on its lookups'
  // own, which receives the server's refusal.
  auto db = suite::OpenDatabase(desk.db);
  ::unsetenv("QMZ_QUERY_TIMEOUT");
  const auto sleeping = [&] {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THAT(
        [&] { db->RunTsql("select pg_sleep(3)::text as s from t_stock where FItemID = 1"); },
        ThrowsMessage<Error>(HasSubstr("canceling statement due to statement timeout")));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
  };
  sleeping();
  const uint64_t lookups = Received(desk.lookups);
  sleeping();
  EXPECT_GT(Received(desk.lookups), lookups);
}

TEST_F(SiteTest, OnTheStandbyLookupsAndListsAnswerAsOnThePrimary) {
  for (const std::string& db :
       {SiteDb("standby"), std::regex_replace(SiteDb("pooler"), std::regex("Database=suite;"),
                                              "Database=suite_standby;")}) {
    SCOPED_TRACE(db.substr(0, db.find(";Pwd")));
    OpenSuite(db);
    LogIn("clerk");
    EXPECT_EQ(LookUpB2601(), kB2601);
    EXPECT_EQ(ListText(db), ListText(SiteDb("primary")));
    // A user's setting cannot be saved there: tried twice, it is set aside with a warning.
    EXPECT_THAT([] { SaveUserProfile("BaseList", "Site", "standby"); },
                ThrowsMessage<Error>(HasSubstr("read-only transaction")));
    EXPECT_THAT(LastWarning(), ::testing::StartsWith("The user's setting BaseList/Site was not "
                                                     "saved: "));
    CloseSuite();
  }
  // With the standby for reads beside the primary, the lookups read there and the save reaches
  // the primary.
  OpenSuite(SiteDb("pooler"), SiteDb("standby"));
  LogIn("clerk");
  EXPECT_EQ(LookUpB2601(), kB2601);
  SaveUserProfile("BaseList", "Site", "saved on the primary");
  EXPECT_EQ(LastWarning(), "");
  EXPECT_EQ(*suite::OpenDatabase(SiteDb("primary"))
                 ->Query("select FValue from t_suite_user_profile where FSection = ? and FKey = ?",
                         {"BaseList", "Site"})[0][0],
            "saved on the primary");
}

// What the suite wrote reads back from where it was written, however far the standby lags; a
// read database that cannot be reached leaves the reads to the primary, with a warning. Every
// connection says in pg_stat_activity whose it is.
TEST_F(SiteTest, ASavedSettingReadsBackAsSavedAndAnUnreachableStandbyLeavesTheReadsToThePrimary) {
  OpenSuite(SiteDb("pooler"), SiteDb("standby"));
  LogIn("clerk");
  auto standby = suite::OpenDatabase(SiteDb("standby"));
  standby->Query("select pg_wal_replay_pause()::text", {});
  SaveUserProfile("BaseList", "Replay", "first");
  EXPECT_EQ(GetUserProfile("BaseList", "Replay"), "first");
  SaveUserProfile("BaseList", "Replay", "second");
  EXPECT_EQ(GetUserProfile("BaseList", "Replay"), "second");
  standby->Query("select pg_wal_replay_resume()::text", {});
  EXPECT_EQ(LastWarning(), "");
  EXPECT_THAT(*standby->Query("select string_agg(distinct application_name, ',') from "
                              "pg_stat_activity where usename = 'suite' and pid = pg_backend_pid()",
                              {})[0][0],
              ::testing::StartsWith("QMZBaseList/"));
  CloseSuite();
  const std::string gone =
      std::regex_replace(SiteDb("standby"), std::regex(";Port=[0-9]+;"), ";Port=1;");
  // The health check says where a desk would land, within the connect timeout even for a
  // server that is not there.
  const auto health = std::static_pointer_cast<Dictionary>(CheckSuite(SiteDb("standby")));
  EXPECT_EQ(health->Get("read_only"), Variant(true));
  EXPECT_THAT(health->Get("application_name").ToText(), ::testing::StartsWith("QMZBaseList/"));
  EXPECT_EQ(std::static_pointer_cast<Dictionary>(CheckSuite(SiteDb("pooler")))->Get("read_only"),
            Variant(false));
  EXPECT_THAT([&] { CheckSuite(gone); },
              ThrowsMessage<Error>(::testing::StartsWith("Cannot connect to the suite database")));
  OpenSuite(SiteDb("pooler"), gone);
  EXPECT_THAT(LastWarning(), ::testing::StartsWith("The read database cannot be reached; the "
                                                   "primary answered instead: "));
  LogIn("clerk");
  EXPECT_EQ(LookUpB2601(), kB2601);
}

// The primary and the standby, the primary first: in libpq's multi-host form, and as a site
// writes them for psqlODBC (Server=a,b;Port=p,q), which the suite rewrites into that form.
std::string BothServers(bool pqopt) {
  const std::regex port(";Port=([0-9]+);");
  std::smatch primary, standby;
  const std::string primary_db = SiteDb("primary"), standby_db = SiteDb("standby");
  std::regex_search(primary_db, primary, port);
  std::regex_search(standby_db, standby, port);
  const std::string ports = primary[1].str() + "," + standby[1].str();
  const std::string login =
      "Database=suite;Uid=suite;" + primary_db.substr(primary_db.find("Pwd="));
  if (!pqopt) {
    return "odbc:Driver=PostgreSQL Unicode;Server=127.0.0.1, 127.0.0.1;Port=" + ports + ";" + login;
  }
  return "odbc:Driver=PostgreSQL Unicode;" + login +
         ";pqopt={host=127.0.0.1,127.0.0.1 port=" + ports + " target_session_attrs=read-write}";
}

TEST(FailoverTest, AHostCallingThroughAFailoverAnswersAgainOnceTheStandbyIsPromoted) {
  if (kSite.empty()) GTEST_SKIP() << "run through tests/pg/site.sh";
  OpenSuite(BothServers(false));
  LogIn("clerk");
  ASSERT_EQ(LookUpB2601(), kB2601);
  const std::string failover = std::string(std::getenv("QMZ_TEST_FAILOVER")) + " >/dev/null";
  ASSERT_EQ(std::system(failover.c_str()), 0);
  // Through the pooler a desk answers within three seconds of the promotion.
  const auto promoted = std::chrono::steady_clock::now();
  std::string through_pooler;
  while (std::chrono::steady_clock::now() - promoted < std::chrono::seconds(20)) {
    try {
      through_pooler = ListText(SiteDb("pooler"));
      break;
    } catch (const Error&) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  EXPECT_LT(std::chrono::steady_clock::now() - promoted, std::chrono::seconds(3));
  EXPECT_EQ(through_pooler, ListText(SiteDb("standby")));
  // The desk's idle connection went with the primary; the next call reaches the new primary,
  // in either form.
  EXPECT_EQ(LookUpB2601(), kB2601);
  EXPECT_EQ(ListText(BothServers(true)), ListText(SiteDb("standby")));
  CloseSuite();

  // The server behind the pooler stopped (the one both its databases now reach): with a query
  // timeout of 5 s every call ends, with the reason, within 12 s, whether the pooler queues it
  // or a connect waits; on the server's direct string too.
  const std::string pg_ctl =
      "/usr/lib/postgresql/15/bin/pg_ctl stop -m immediate -w -s -D " + kSite + "/standby.d/data";
  ASSERT_EQ(std::system(((::getuid() == 0 ? "runuser -u qmzpg -- " : "") + pg_ctl).c_str()), 0);
  ::setenv("QMZ_QUERY_TIMEOUT", "5", 1);
  // Meanwhile another thread of the host opens sockets of its own, as an HTTP client would.
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 64), 0);
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  std::atomic<bool> busy{true};
  std::thread other([&] {
    while (busy) {
      const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
      ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      ::close(fd);
    }
  });
  const std::string standby_through_pooler = std::regex_replace(
      SiteDb("pooler"), std::regex("Database=suite;"), "Database=suite_standby;");
  for (const std::string& db : {SiteDb("pooler"), standby_through_pooler, SiteDb("standby")}) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(ListText(db), Error) << db.substr(0, db.find(";Pwd"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(12));
  }
  busy = false;
  other.join();
  ::close(listener);
  ::unsetenv("QMZ_QUERY_TIMEOUT");
}

}  // namespace
}  // namespace qmz
