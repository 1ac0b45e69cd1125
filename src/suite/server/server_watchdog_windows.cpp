// The watchdog on Windows: the driver's sockets are not seen from here (under Wine they are not
// even Windows sockets), so no connect is cut off and no watch arms; a libpq socket is waited on
// with WSAPoll.
#include <winsock2.h>

#include "suite/server/server_watchdog.h"

namespace qmz::suite {

ServerSocket ServerSocket::MadeBy(const std::function<void()>& connect,
                                  const std::vector<ServerAddress>& servers,
                                  std::chrono::milliseconds limit) {
  connect();
  return {};
}

ServerSocket ServerSocket::Of(int fd) {
  return {};
}

bool ReachesServerItself(const ServerSocket& socket, const std::string& address,
                         const std::string& port, long backend) {
  return false;
}

bool ConnectCutOff() {
  return false;
}

bool WaitReadable(int fd, int wait) {
  WSAPOLLFD socket{static_cast<SOCKET>(fd), POLLRDNORM, 0};
  return ::WSAPoll(&socket, 1, wait) != 0;
}

void Watch::Arm() {
  armed_ = true;
}

void Watch::Disarm() {
  armed_ = false;
}

SilenceWatch::SilenceWatch(const ServerSocket& socket, std::chrono::milliseconds limit)
    : socket_(socket), start_(std::chrono::steady_clock::now()), limit_(limit) {}

SilenceWatch::~SilenceWatch() = default;

void SilenceWatch::Look() {}

}  // namespace qmz::suite
