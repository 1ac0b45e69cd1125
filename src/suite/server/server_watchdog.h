// The query timeout held on the client's side: a server that stops answering (its process
// stopped, a network that drops packets without a reset, a pooler that queues the request for
// a server it cannot reach) cannot keep a caller waiting past it.
//
// ServerSocket::MadeBy runs a connect and finds the socket it made: the new socket whose peer is
// one of the servers the connection string names (their addresses resolved, a socket folder's
// `.s.PGSQL.<port>`), so that a socket another thread of the host opens meanwhile is never
// taken for it; with no address to go by, the one socket that appeared. A connect that has not
// ended within its limit has its new sockets to those servers shut down, which ends it with an
// error: connecting waits no longer than the limit, however the server fails.
//
// While a SilenceWatch lives, one helper thread looks at the socket every quarter of a second:
// once the server has sent nothing for the watch's limit (a TCP socket's own record of the last
// data received, else the time since the watch began), the socket is shut down, which ends the
// driver's blocked call with an error, and Fired() answers true. The server's own statement
// timeout normally ends a statement first; the watch is what holds when the server cannot.
// The thread runs only while a watch lives; after fork() the child starts its own.
//
// On Windows the driver's sockets are not seen (MadeBy finds none and does not cut a connect off,
// no watch arms, ReachesServerItself answers false): the server's own statement timeout and the
// driver's login timeout are what hold there.
//
// Thread-safe. Nothing here throws but the constructors' std::bad_alloc.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace qmz::suite {

// A server a connection string names: a host name or address with its port, or a folder of
// Unix sockets (a path) and the port that names its socket.
struct ServerAddress {
  std::string host;
  int port = 5432;
  bool operator==(const ServerAddress&) const = default;
};

struct ServerSocket {
  int fd = -1;
  ino_t inode = 0;  // the socket's identity, checked again before it is shut down
  bool tcp = false;

  bool known() const { return fd >= 0; }
  // The socket of descriptor `fd` (unknown when it is none).
  static ServerSocket Of(int fd);
  // Runs `connect`, for at most `limit` (0: no limit), and answers the socket it made to one of
  // `servers` (unknown when there is none, or two).
  static ServerSocket MadeBy(const std::function<void()>& connect,
                             const std::vector<ServerAddress>& servers,
                             std::chrono::milliseconds limit);
};

// Whether `socket` reaches the PostgreSQL server itself rather than a pooler in front of it: over
// TCP, its peer is the server's end of the session (`address`, `port`: what the server says of
// it, "" over a Unix socket); over a Unix socket, the process listening at its peer is the parent
// of the session's server process (`backend`). False when the socket is unknown or the process
// cannot be seen (another process namespace): no telling.
bool ReachesServerItself(const ServerSocket& socket, const std::string& address,
                         const std::string& port, long backend);

// Whether the connect MadeBy ran last on this thread was cut off at its limit.
bool ConnectCutOff();

// Waits at most `wait` milliseconds (-1: no limit) for data on socket `fd`: false when the wait
// ran out or was interrupted, true when there is data or the socket failed (reading tells which).
bool WaitReadable(int fd, int wait);

// Something the watchdog looks at four times a second.
class Watch {
 public:
  virtual ~Watch() = default;
  bool Fired() const { return fired_; }

 protected:
  friend class Watchdog;
  virtual void Look() = 0;
  void Arm();
  void Disarm();
  std::atomic<bool> fired_{false};

 private:
  bool armed_ = false;
};

class SilenceWatch : public Watch {
 public:
  // No watch for an unknown socket or a limit of 0.
  SilenceWatch(const ServerSocket& socket, std::chrono::milliseconds limit);
  ~SilenceWatch() override;
  SilenceWatch(const SilenceWatch&) = delete;
  SilenceWatch& operator=(const SilenceWatch&) = delete;

 private:
  void Look() override;
  ServerSocket socket_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::milliseconds limit_;
};

}  // namespace qmz::suite
