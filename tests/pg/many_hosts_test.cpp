// Several host processes against one suite server at once: each picks (the lookups the dialogs
// and hosts call) and saves its user's profile entries while the others do the same. Every
// answer must equal the single-process answer and every profile write must land.
// Needs QMZ_TEST_SERVER (tests/pg/server.sh run).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
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

constexpr int kHosts = 6;
constexpr int kRounds = 25;
const char* const kUsers[] = {"administrator", "clerk", "guest"};

using testing::Text;

// The calls of one round, each host's in the same order.
std::vector<std::string> Round() {
  BaseList list;
  return {Text(list.GetBatch(1, "B2601", 0, 0, 0)), Text(list.GetBatch(1, "A'B", 0, 0, 0)),
          Text(list.GetBatch(1, "B2602", 2, 0, 0)), Text(list.GetAux(2, "Blue", 0, 0, 0)),
          Text(list.GetAux(2, "Red", 0, 0, 0)),     Text(list.GetBatch(4, "N-0001", 0, 0, 0))};
}

// One host: its rounds compared with `expected`, a profile entry saved in each. Exit code: the
// number of wrong answers and failed calls (at most 100).
int Host(const std::string& target, int host, const std::vector<std::string>& expected) {
  int wrong = 0;
  try {
    OpenSuite(target);
    LogIn(kUsers[host % 3]);
    for (int round = 0; round < kRounds; ++round) {
      if (Round() != expected) ++wrong;
      SaveUserProfile("ManyHosts", "Host" + std::to_string(host), std::to_string(round));
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "host %d: %s\n", host, e.what());
    wrong = 100;
  }
  return std::min(wrong, 100);
}

TEST(ManyHostsTest, HostsPickAndSaveAtOnceAsOneHostAlone) {
  const char* server = std::getenv("QMZ_TEST_SERVER");
  ASSERT_NE(server, nullptr) << "run through tests/pg/server.sh";
  CreateDemoDatabase(server);
  OpenSuite(server);
  std::vector<std::vector<std::string>> alone;
  for (const char* user : kUsers) {
    LogIn(user);
    alone.push_back(Round());
  }
  ASSERT_NE(alone[0][0], "null");  // the lookups answer rows, not only nothing

  std::vector<pid_t> hosts;
  for (int host = 0; host < kHosts; ++host) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) ::_exit(Host(server, host, alone[host % 3]));
    hosts.push_back(pid);
  }
  int errors = 0;
  for (pid_t pid : hosts) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    errors += WIFEXITED(status) ? WEXITSTATUS(status) : 100;
  }
  std::printf("%d hosts, %d lookups and %d profile writes each, %d wrong answers or errors\n",
              kHosts, kRounds * 6, kRounds, errors);
  EXPECT_EQ(errors, 0);
  for (int host = 0; host < kHosts; ++host) {
    LogIn(kUsers[host % 3]);
    EXPECT_EQ(GetUserProfile("ManyHosts", "Host" + std::to_string(host)),
              std::to_string(kRounds - 1));
  }
}

// The server pg-start made lets the suite's role in with its password only, and no other role
// (a superuser's name among them) over the network.
TEST(ManyHostsTest, OnlyTheSuitesRoleLogsInOverTheNetwork) {
  ASSERT_NE(std::getenv("QMZ_TEST_SERVER"), nullptr) << "run through tests/pg/server.sh";
  const std::string server = std::getenv("QMZ_TEST_SERVER");
  auto log_in = [](const std::string& target) { suite::OpenDatabase(target)->Query("select 1"); };
  EXPECT_EQ(suite::OpenDatabase(server)->Query("select current_user")[0][0], "suite");
  const std::string wrong = server.substr(0, server.find("Pwd=")) + "Pwd=wrong";
  EXPECT_THAT([&] { log_in(wrong); },
              ThrowsMessage<Error>(HasSubstr("password authentication failed for user \"suite\"")));
  std::string superuser = server;
  superuser.replace(superuser.find("Uid=suite"), 9, "Uid=postgres");
  EXPECT_THAT([&] { log_in(superuser); }, ThrowsMessage<Error>(HasSubstr("no pg_hba.conf entry")));
}

}  // namespace
}  // namespace qmz
