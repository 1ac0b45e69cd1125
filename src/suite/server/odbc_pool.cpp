#include "suite/server/odbc_pool.h"

#include <pthread.h>
#include "suite/server/odbc_api.h"

#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "qmz/host.h"

namespace qmz::suite {

namespace {

using Clock = std::chrono::steady_clock;

// A desk keeps one idle connection per connection string: hundreds of desks on one server (or
// behind a pooler) must not hold several each.
constexpr size_t kIdlePerString = 1;
// How long a connection may stay idle: QMZ_IDLE_CONNECTION_SECONDS (1 to 86400), else 60.
std::chrono::seconds IdleLimit() {
  const char* text = std::getenv("QMZ_IDLE_CONNECTION_SECONDS");
  if (text == nullptr) return std::chrono::seconds(60);
  char* end = nullptr;
  const long seconds = std::strtol(text, &end, 10);
  return std::chrono::seconds(*end == '\0' && seconds >= 1 && seconds <= 86400 ? seconds : 60);
}
constexpr auto kAskAfter = std::chrono::seconds(1);

struct Pool {
  OdbcHandle env{SQL_HANDLE_ENV, SQL_NULL_HANDLE};
  std::mutex mutex;
  // What the closer waits on. Made anew in a child of fork(): the parent's closer may have been
  // waiting on the copy, and waking a waiter that is not there can block.
  std::unique_ptr<std::condition_variable> idle_changed =
      std::make_unique<std::condition_variable>();
  bool closer_running = false;
  Clock::time_point closer_looks_at = Clock::time_point::max();
  uint32_t owner = CurrentProcessId();
  std::multimap<std::string, std::unique_ptr<OdbcConnection>> idle;

  // Takes out the connections idle longer than the limit (to be closed outside the lock), and
  // answers when the next one will be. Called with the mutex held.
  std::optional<Clock::time_point> TakeExpired(
      Clock::time_point now, std::vector<std::unique_ptr<OdbcConnection>>& expired) {
    std::optional<Clock::time_point> next;
    for (auto it = idle.begin(); it != idle.end();) {
      const Clock::time_point due = it->second->idle_since() + IdleLimit();
      if (due <= now) {
        expired.push_back(std::move(it->second));
        it = idle.erase(it);
        continue;
      }
      if (!next || due < *next) next = due;
      ++it;
    }
    return next;
  }
  // Closes idle connections at the end of their idle time, also in a host that never calls
  // again; while none is idle it looks once per idle limit (a minute). Runs on a thread of its
  // own for the life of the process.
  [[noreturn]] void CloseWhenIdleTooLong() {
    std::unique_lock lock(mutex);
    for (;;) {
      std::vector<std::unique_ptr<OdbcConnection>> expired;
      const std::optional<Clock::time_point> next = TakeExpired(Clock::now(), expired);
      if (!expired.empty()) {
        lock.unlock();
        expired.clear();  // closed outside the lock: a goodbye to the server takes a while
        lock.lock();
        continue;
      }
      // Nothing idle: a look a limit from now, when a connection given back now would be due.
      closer_looks_at = next ? *next : Clock::now() + IdleLimit();
      idle_changed->wait_until(lock, closer_looks_at);
    }
  }
  // Starts the closer with the first idle connection. Called with the mutex held.
  void StartCloser() {
    if (closer_running) return;
    closer_running = true;
    std::thread([this] { CloseWhenIdleTooLong(); }).detach();
  }

  // After fork() the child forgets the parent's connections without closing them: closing
  // would end the parent's sessions on the sockets both share.
  void ForgetAfterFork() {
    if (owner == CurrentProcessId()) return;
    static std::vector<std::unique_ptr<OdbcConnection>>* abandoned =
        new std::vector<std::unique_ptr<OdbcConnection>>();
    for (auto& [key, connection] : idle) abandoned->push_back(std::move(connection));
    idle.clear();
    owner = CurrentProcessId();
    closer_running = false;  // the parent's thread is not in the child
    closer_looks_at = Clock::time_point::max();
  }
};

Pool& ThePool() {
  // Never destroyed: the closer may wait on it while the process ends.
  static Pool* pool = [] {
    auto* made = new Pool();
    // Held across a fork(), so that the child's copy is not locked by a thread it has not.
    pthread_atfork([] { ThePool().mutex.lock(); }, [] { ThePool().mutex.unlock(); },
                   [] {
                     Pool& pool = ThePool();
                     static_cast<void>(pool.idle_changed.release());
                     pool.idle_changed = std::make_unique<std::condition_variable>();
                     pool.mutex.unlock();
                   });
    return made;
  }();
  return *pool;
}

// A new connection, with the pool's environment.
std::unique_ptr<OdbcConnection> NewConnection(Pool& pool, const std::string& connection_string,
                                              long timeout) {
  return std::make_unique<OdbcConnection>(pool.env.get(), connection_string, timeout);
}
}  // namespace

std::unique_ptr<OdbcConnection> TakeConnection(const std::string& connection_string, long timeout) {
  Pool& pool = ThePool();
  const auto now = Clock::now();
  std::unique_ptr<OdbcConnection> connection;
  {
    std::lock_guard lock(pool.mutex);
    pool.ForgetAfterFork();
    auto it = pool.idle.find(connection_string);
    if (it != pool.idle.end()) {
      connection = std::move(it->second);
      pool.idle.erase(it);
    }
  }
  if (connection && !connection->Dead() &&
      (now - connection->idle_since() < kAskAfter || connection->Ping())) {
    return connection;
  }
  connection.reset();
  return NewConnection(pool, connection_string, timeout);
}

std::unique_ptr<OdbcConnection> TakeNewConnection(const std::string& connection_string,
                                                  long timeout) {
  Pool& pool = ThePool();
  {
    std::lock_guard lock(pool.mutex);
    pool.ForgetAfterFork();
    pool.idle.erase(connection_string);
  }
  return NewConnection(pool, connection_string, timeout);
}

void CloseIdleConnections() {
  Pool& pool = ThePool();
  std::multimap<std::string, std::unique_ptr<OdbcConnection>> closing;
  std::lock_guard lock(pool.mutex);
  pool.ForgetAfterFork();
  closing.swap(pool.idle);
}

void GiveBackConnection(const std::string& connection_string,
                        std::unique_ptr<OdbcConnection> connection) {
  // A dead one is found when it is next taken.
  if (!connection || connection->broken() || !connection->autocommit()) return;
  Pool& pool = ThePool();
  const Clock::time_point now = Clock::now();
  connection->MarkIdle(now);
  std::lock_guard lock(pool.mutex);
  pool.ForgetAfterFork();
  if (pool.idle.count(connection_string) >= kIdlePerString) return;
  pool.idle.emplace(connection_string, std::move(connection));
  pool.StartCloser();
  // Woken only when this one is due before the closer's next look (the limit was made shorter
  // meanwhile); with one limit throughout a given-back connection is never due sooner.
  if (now + IdleLimit() < pool.closer_looks_at) pool.idle_changed->notify_one();
}
}  // namespace qmz::suite
