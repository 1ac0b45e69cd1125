#include "suite/sqlite_pool.h"

#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <vector>

#include "qmz/error.h"

namespace qmz::suite {

namespace {

constexpr size_t kIdlePerFile = 4;

struct Kept {
  std::unique_ptr<SqliteConnection> connection;
  dev_t device = 0;
  ino_t inode = 0;
  bool read_only = false;
};

// The file as a connection to it sees it; nullopt when it cannot be seen.
std::optional<Kept> Identity(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  Kept identity;
  identity.device = status.st_dev;
  identity.inode = status.st_ino;
  identity.read_only = SqliteConnection::MarkedReadOnly(path);
  return identity;
}

bool HoldsTemporaryTable(SqliteConnection& connection) {
  try {
    return Statement(connection, "select 1 from temp.sqlite_master limit 1").Step();
  } catch (const Error&) {
    return true;
  }
}

struct Pool {
  std::mutex mutex;
  pid_t owner = ::getpid();
  std::multimap<std::string, Kept> idle;

  // After fork() the child forgets its parent's connections without closing them.
  void ForgetAfterFork() {
    if (owner == ::getpid()) return;
    for (auto& [path, kept] : idle) static_cast<void>(kept.connection.release());
    idle.clear();
    owner = ::getpid();
  }
};

Pool& ThePool() {
  static Pool* pool = new Pool();  // never destroyed: connections may be given back at exit
  return *pool;
}

}  // namespace

std::unique_ptr<SqliteConnection> TakeSqliteConnection(const std::string& path) {
  Pool& pool = ThePool();
  const std::optional<Kept> now = Identity(path);
  std::vector<Kept> stale;  // closed outside the lock
  std::unique_ptr<SqliteConnection> taken;
  {
    std::lock_guard lock(pool.mutex);
    pool.ForgetAfterFork();
    for (auto it = pool.idle.find(path); it != pool.idle.end() && it->first == path;) {
      Kept& kept = it->second;
      const bool same = now && kept.device == now->device && kept.inode == now->inode &&
                        kept.read_only == now->read_only;
      if (same && !taken) {
        taken = std::move(kept.connection);
        it = pool.idle.erase(it);
      } else if (!same) {
        stale.push_back(std::move(kept));
        it = pool.idle.erase(it);
      } else {
        ++it;
      }
    }
  }
  stale.clear();
  if (taken) return taken;
  return std::make_unique<SqliteConnection>(path, false);
}

void GiveBackSqliteConnection(const std::string& path, std::unique_ptr<SqliteConnection> connection,
                              bool failed) {
  if (!connection || failed || !sqlite3_get_autocommit(connection->handle()) ||
      HoldsTemporaryTable(*connection)) {
    return;
  }
  std::optional<Kept> kept = Identity(path);
  if (!kept || kept->read_only != connection->read_only()) return;
  // The identity of the file now: a file replaced while the batch ran is not kept for.
  if (kept->device != connection->device() || kept->inode != connection->inode()) return;
  kept->connection = std::move(connection);
  Pool& pool = ThePool();
  std::lock_guard lock(pool.mutex);
  pool.ForgetAfterFork();
  if (pool.idle.count(path) >= kIdlePerFile) return;  // closed as `kept` ends, outside the lock
  pool.idle.emplace(path, std::move(*kept));
}

void CloseKeptSqliteConnections() {
  Pool& pool = ThePool();
  std::multimap<std::string, Kept> closing;
  {
    std::lock_guard lock(pool.mutex);
    pool.ForgetAfterFork();
    closing.swap(pool.idle);
  }
}

}  // namespace qmz::suite
