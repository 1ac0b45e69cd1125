#include "suite/server_watchdog.h"

#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <list>
#include <map>
#include <mutex>
#include <thread>

namespace qmz::suite {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kLookEvery = std::chrono::milliseconds(250);

// The process's open sockets: inode to descriptor.
std::map<ino_t, int> OpenSockets() {
  std::map<ino_t, int> sockets;
  DIR* folder = ::opendir("/proc/self/fd");
  if (!folder) return sockets;
  while (const dirent* entry = ::readdir(folder)) {
    char* end = nullptr;
    const long fd = std::strtol(entry->d_name, &end, 10);
    struct stat status {};
    if (*end != '\0' || end == entry->d_name || ::fstat(static_cast<int>(fd), &status) != 0 ||
        !S_ISSOCK(status.st_mode)) {
      continue;
    }
    sockets.emplace(status.st_ino, static_cast<int>(fd));
  }
  ::closedir(folder);
  return sockets;
}

bool IsTcp(int fd) {
  int domain = 0;
  socklen_t length = sizeof domain;
  return ::getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &domain, &length) == 0 &&
         (domain == AF_INET || domain == AF_INET6);
}

bool SameSocket(const ServerSocket& socket) {
  struct stat status {};
  return ::fstat(socket.fd, &status) == 0 && S_ISSOCK(status.st_mode) &&
         status.st_ino == socket.inode;
}

}  // namespace

// The one helper thread and the watches it looks after.
class Watchdog {
 public:
  static Watchdog& Instance() {
    static std::once_flag once;
    std::call_once(once, [] {
      current_ = new Watchdog();
      // A fork() copies the locks as they are, so they are held across it; the child gets a
      // watchdog of its own (its parent's thread is not in it) and leaves the copy alone.
      ::pthread_atfork([] { current_->Lock(); }, [] { current_->Unlock(); },
                       [] { current_ = new Watchdog(); });
    });
    return *current_;
  }

  // One connection at a time, so that each finds only its own socket.
  std::mutex& connecting() { return connecting_; }

  void Arm(SilenceWatch& watch) {
    std::lock_guard lock(mutex_);
    if (!running_) {
      std::thread([this] { Run(); }).detach();
      running_ = true;
    }
    // The thread sleeps only while no watch lives; a busy host's calls do not wake it each time.
    if (watches_.empty()) wake_.notify_one();
    watches_.push_back(&watch);
  }

  void Disarm(SilenceWatch& watch) {
    std::lock_guard lock(mutex_);
    watches_.remove(&watch);
  }

 private:
  void Lock() {
    connecting_.lock();
    mutex_.lock();
  }
  void Unlock() {
    mutex_.unlock();
    connecting_.unlock();
  }
  [[noreturn]] void Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      // No watch: wait without waking until one is armed.
      wake_.wait(lock, [&] { return !watches_.empty(); });
      wake_.wait_for(lock, kLookEvery);
      for (SilenceWatch* watch : watches_) Look(*watch);
    }
  }

  // Called with the mutex held, so the watch's connection is still in use by its caller.
  static void Look(SilenceWatch& watch) {
    if (watch.fired_) return;
    auto silence =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - watch.start_);
    tcp_info info{};
    socklen_t length = sizeof info;
    if (watch.socket_.tcp &&
        ::getsockopt(watch.socket_.fd, IPPROTO_TCP, TCP_INFO, &info, &length) == 0) {
      silence = std::min(silence, std::chrono::milliseconds(info.tcpi_last_data_recv));
    }
    if (silence < watch.limit_ || !SameSocket(watch.socket_)) return;
    // Set first: the caller's blocked call may return as soon as the socket is shut down.
    watch.fired_ = true;
    ::shutdown(watch.socket_.fd, SHUT_RDWR);
  }

  // Never destroyed: the thread may still wait on it while the process ends.
  static inline Watchdog* current_ = nullptr;
  std::mutex connecting_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::list<SilenceWatch*> watches_;
  bool running_ = false;
};

ServerSocket ServerSocket::MadeBy(const std::function<void()>& connect) {
  std::lock_guard lock(Watchdog::Instance().connecting());
  const std::map<ino_t, int> before = OpenSockets();
  connect();
  ServerSocket made;
  for (const auto& [inode, fd] : OpenSockets()) {
    if (before.count(inode)) continue;
    if (made.known()) return ServerSocket{};  // two new sockets: which is ours is not clear
    made = ServerSocket{fd, inode, IsTcp(fd)};
  }
  return made;
}

SilenceWatch::SilenceWatch(const ServerSocket& socket, std::chrono::milliseconds limit)
    : socket_(socket), start_(Clock::now()), limit_(limit) {
  if (!socket_.known() || limit_.count() <= 0) return;
  Watchdog::Instance().Arm(*this);
  armed_ = true;
}

SilenceWatch::~SilenceWatch() {
  if (armed_) Watchdog::Instance().Disarm(*this);
}

}  // namespace qmz::suite
