// The query timeout held on the client's side: a server that stops answering (its process
// stopped, a network that drops packets without a reset) cannot keep a caller waiting past it.
//
// ServerSocket finds the socket a new connection made (the one socket that appeared while it
// connected, under a lock that keeps this process's own connections apart); none is known when
// another thread of the host opened a socket at the same moment, or the driver made no socket.
//
// While a SilenceWatch lives, one helper thread looks at the socket every quarter of a second:
// once the server has sent nothing for the watch's limit (a TCP socket's own record of the last
// data received, else the time since the watch began), the socket is shut down, which ends the
// driver's blocked call with an error, and Fired() answers true. The server's own statement
// timeout normally ends a statement first; the watch is what holds when the server cannot.
// The thread runs only while a watch lives; after fork() the child starts its own.
//
// Thread-safe. Nothing here throws but the constructors' std::bad_alloc.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <functional>

namespace qmz::suite {

struct ServerSocket {
  int fd = -1;
  ino_t inode = 0;  // the socket's identity, checked again before it is shut down
  bool tcp = false;

  bool known() const { return fd >= 0; }
  // Runs `connect` and answers the one socket it made (unknown when that is not clear).
  static ServerSocket MadeBy(const std::function<void()>& connect);
};

class SilenceWatch {
 public:
  // No watch for an unknown socket or a limit of 0.
  SilenceWatch(const ServerSocket& socket, std::chrono::milliseconds limit);
  ~SilenceWatch();
  SilenceWatch(const SilenceWatch&) = delete;
  SilenceWatch& operator=(const SilenceWatch&) = delete;

  bool Fired() const { return fired_; }

 private:
  friend class Watchdog;
  ServerSocket socket_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::milliseconds limit_;
  std::atomic<bool> fired_{false};
  bool armed_ = false;
};

}  // namespace qmz::suite
