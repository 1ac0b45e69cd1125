#include "suite/server/server_watchdog.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <list>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

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

// A peer as "address port" or a socket's path: what a socket's getpeername gives, written alike.
std::string PeerOf(const sockaddr* address) {
  char text[INET6_ADDRSTRLEN] = {};
  switch (address->sa_family) {
    case AF_INET: {
      const auto* in = reinterpret_cast<const sockaddr_in*>(address);
      ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
      return std::string(text) + " " + std::to_string(ntohs(in->sin_port));
    }
    case AF_INET6: {
      const auto* in = reinterpret_cast<const sockaddr_in6*>(address);
      ::inet_ntop(AF_INET6, &in->sin6_addr, text, sizeof text);
      return std::string(text) + " " + std::to_string(ntohs(in->sin6_port));
    }
    case AF_UNIX:
      return reinterpret_cast<const sockaddr_un*>(address)->sun_path;
    default:
      return "";
  }
}

std::string PeerOf(int fd) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return "";
  return PeerOf(reinterpret_cast<const sockaddr*>(&address));
}

// The peers a connection to `servers` may have: each host's addresses, each folder's socket.
std::vector<std::string> PeersOf(const std::vector<ServerAddress>& servers) {
  std::vector<std::string> peers;
  for (const ServerAddress& server : servers) {
    if (!server.host.empty() && server.host[0] == '/') {
      peers.push_back(server.host + "/.s.PGSQL." + std::to_string(server.port));
      continue;
    }
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(server.port);
    if (::getaddrinfo(server.host.c_str(), port.c_str(), &hints, &found) != 0) continue;
    for (const addrinfo* at = found; at; at = at->ai_next) peers.push_back(PeerOf(at->ai_addr));
    ::freeaddrinfo(found);
  }
  return peers;
}

// The sockets opened since `before` whose peer is one of `peers` (any new one when `peers` is
// empty: nothing to go by).
std::vector<ServerSocket> NewSocketsTo(const std::map<ino_t, int>& before,
                                       const std::vector<std::string>& peers) {
  std::vector<ServerSocket> made;
  for (const auto& [inode, fd] : OpenSockets()) {
    if (before.count(inode)) continue;
    if (!peers.empty()) {
      const std::string peer = PeerOf(fd);
      if (std::find(peers.begin(), peers.end(), peer) == peers.end()) continue;
    }
    made.push_back(ServerSocket{fd, inode, IsTcp(fd)});
  }
  return made;
}

// A process's parent, from /proc/<pid>/stat ("pid (name) state ppid ..."; the name may hold
// blanks and parentheses, so the fields are read after its last ')'); 0 when unknown.
long ParentOf(long pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  const std::string line((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const std::size_t name_end = line.rfind(')');
  if (name_end == std::string::npos) return 0;
  std::istringstream fields(line.substr(name_end + 1));
  std::string state;
  long parent = 0;
  return fields >> state >> parent ? parent : 0;
}

thread_local bool connect_cut_off = false;

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

  void Arm(Watch& watch) {
    std::lock_guard lock(mutex_);
    if (!running_) {
      std::thread([this] { Run(); }).detach();
      running_ = true;
    }
    // The thread is woken only from its sleep while no watch lives; a busy host's calls do not
    // wake it each time.
    if (idle_) wake_.notify_one();
    watches_.push_back(&watch);
  }

  void Disarm(Watch& watch) {
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
      idle_ = true;
      wake_.wait(lock, [&] { return !watches_.empty(); });
      idle_ = false;
      const Clock::time_point look = Clock::now() + kLookEvery;
      while (wake_.wait_until(lock, look) == std::cv_status::no_timeout) {
      }
      for (Watch* watch : watches_) {
        if (!watch->fired_) watch->Look();
      }
    }
  }

  // Never destroyed: the thread may still wait on it while the process ends.
  static inline Watchdog* current_ = nullptr;
  std::mutex connecting_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::list<Watch*> watches_;
  bool running_ = false;
  bool idle_ = false;  // the thread sleeps until a watch is armed
};

void Watch::Arm() {
  Watchdog::Instance().Arm(*this);
  armed_ = true;
}

void Watch::Disarm() {
  if (armed_) Watchdog::Instance().Disarm(*this);
  armed_ = false;
}

namespace {

// A connect under way: once it has run its limit, its new sockets to the server are shut down.
class ConnectWatch : public Watch {
 public:
  ConnectWatch(const std::map<ino_t, int>& before, const std::vector<std::string>& peers,
               std::chrono::milliseconds limit)
      : before_(before), peers_(peers), start_(Clock::now()), limit_(limit) {
    if (limit_.count() > 0) Arm();
  }
  ~ConnectWatch() override { Disarm(); }

 private:
  // Called with the watchdog's mutex held, while the connect still runs.
  void Look() override {
    if (Clock::now() - start_ < limit_) return;
    fired_ = true;
    for (const ServerSocket& socket : NewSocketsTo(before_, peers_)) {
      ::shutdown(socket.fd, SHUT_RDWR);
    }
  }

  const std::map<ino_t, int>& before_;
  const std::vector<std::string>& peers_;
  Clock::time_point start_;
  std::chrono::milliseconds limit_;
};

}  // namespace

ServerSocket ServerSocket::MadeBy(const std::function<void()>& connect,
                                  const std::vector<ServerAddress>& servers,
                                  std::chrono::milliseconds limit) {
  std::lock_guard lock(Watchdog::Instance().connecting());
  const std::vector<std::string> peers = PeersOf(servers);
  const std::map<ino_t, int> before = OpenSockets();
  {
    ConnectWatch watch(before, peers, limit);
    connect();
    connect_cut_off = watch.Fired();
  }
  const std::vector<ServerSocket> made = NewSocketsTo(before, peers);
  return made.size() == 1 ? made.front() : ServerSocket{};
}

bool ReachesServerItself(const ServerSocket& socket, const std::string& address,
                         const std::string& port, long backend) {
  if (!socket.known() || !SameSocket(socket)) return false;
  if (socket.tcp) return !address.empty() && PeerOf(socket.fd) == address + " " + port;
  ucred listener{};
  socklen_t length = sizeof listener;
  if (!address.empty() || backend <= 0 ||
      ::getsockopt(socket.fd, SOL_SOCKET, SO_PEERCRED, &listener, &length) != 0 ||
      listener.pid <= 0) {
    return false;
  }
  return ParentOf(backend) == listener.pid;
}

bool ConnectCutOff() {
  return connect_cut_off;
}

ServerSocket ServerSocket::Of(int fd) {
  ServerSocket socket;
  socket.fd = fd;
  struct stat status {};
  if (socket.fd < 0 || ::fstat(socket.fd, &status) != 0) return {};
  socket.inode = status.st_ino;
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getsockname(socket.fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    socket.tcp = address.ss_family == AF_INET || address.ss_family == AF_INET6;
  }
  return socket;
}

bool WaitReadable(int fd, int wait) {
  pollfd socket{fd, POLLIN, 0};
  const int ready = ::poll(&socket, 1, wait);
  return ready > 0 || (ready < 0 && errno != EINTR);
}

SilenceWatch::SilenceWatch(const ServerSocket& socket, std::chrono::milliseconds limit)
    : socket_(socket), start_(Clock::now()), limit_(limit) {
  if (socket_.known() && limit_.count() > 0) Arm();
}

SilenceWatch::~SilenceWatch() {
  Disarm();
}

// Called with the watchdog's mutex held, so the watch's connection is still in use by its caller.
void SilenceWatch::Look() {
  auto silence = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_);
  tcp_info info{};
  socklen_t length = sizeof info;
  if (socket_.tcp && ::getsockopt(socket_.fd, IPPROTO_TCP, TCP_INFO, &info, &length) == 0) {
    silence = std::min(silence, std::chrono::milliseconds(info.tcpi_last_data_recv));
  }
  if (silence < limit_ || !SameSocket(socket_)) return;
  // Set first: the caller's blocked call may return as soon as the socket is shut down.
  fired_ = true;
  ::shutdown(socket_.fd, SHUT_RDWR);
}

}  // namespace qmz::suite
