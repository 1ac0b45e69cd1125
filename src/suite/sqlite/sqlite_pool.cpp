#include "suite/sqlite/sqlite_pool.h"

#include <map>
#include <mutex>
#include <vector>

#include "qmz/error.h"
#include "qmz/host.h"

namespace qmz::suite {

namespace {

constexpr size_t kIdlePerFile = 4;

bool HoldsTemporaryTable(SqliteConnection& connection) {
  try {
    return Statement(connection, "select 1 from temp.sqlite_master limit 1").Step();
  } catch (const Error&) {
    return true;
  }
}

struct Pool {
  std::mutex mutex;
  uint32_t owner = CurrentProcessId();
  std::multimap<std::string, std::unique_ptr<SqliteConnection>> idle;

  // After fork() the child forgets its parent's connections without closing them.
  void ForgetAfterFork() {
    if (owner == CurrentProcessId()) return;
    for (auto& [path, connection] : idle) static_cast<void>(connection.release());
    idle.clear();
    owner = CurrentProcessId();
  }
};

Pool& ThePool() {
  static Pool* pool = new Pool();  // never destroyed: connections may be given back at exit
  return *pool;
}

}  // namespace

std::unique_ptr<SqliteConnection> TakeSqliteConnection(const std::string& path) {
  Pool& pool = ThePool();
  std::vector<std::unique_ptr<SqliteConnection>> stale;  // closed outside the lock
  std::unique_ptr<SqliteConnection> taken;
  {
    std::lock_guard lock(pool.mutex);
    pool.ForgetAfterFork();
    for (auto it = pool.idle.find(path); it != pool.idle.end() && it->first == path;) {
      if (!it->second->StillOf(path, SqliteConnection::Moment::kTaken)) {
        stale.push_back(std::move(it->second));
      } else if (!taken) {
        taken = std::move(it->second);
      } else {
        ++it;
        continue;
      }
      it = pool.idle.erase(it);
    }
  }
  stale.clear();
  if (taken) return taken;
  return std::make_unique<SqliteConnection>(path, false);
}

void GiveBackSqliteConnection(const std::string& path, std::unique_ptr<SqliteConnection> connection,
                              bool failed) {
  // A file replaced while the batch ran is not kept for either.
  if (!connection || failed || !sqlite3_get_autocommit(connection->handle()) ||
      HoldsTemporaryTable(*connection) ||
      !connection->StillOf(path, SqliteConnection::Moment::kGivenBack)) {
    return;
  }
  Pool& pool = ThePool();
  std::lock_guard lock(pool.mutex);
  pool.ForgetAfterFork();
  if (pool.idle.count(path) >= kIdlePerFile) return;  // closed as `connection` ends, unlocked
  pool.idle.emplace(path, std::move(connection));
}

void CloseKeptSqliteConnections() {
  Pool& pool = ThePool();
  std::multimap<std::string, std::unique_ptr<SqliteConnection>> closing;
  {
    std::lock_guard lock(pool.mutex);
    pool.ForgetAfterFork();
    closing.swap(pool.idle);
  }
}

}  // namespace qmz::suite
