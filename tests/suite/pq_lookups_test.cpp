// The lookups' libpq connection when the server will not take it: the driver reads the lookups,
// and the connect is not tried again at every lookup.
#include "suite/server/pq_lookups.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "suite/server/libpq_library.h"

namespace qmz::suite {
namespace {

// A server at its connection limit, as a client meets it: each connection is taken and closed at
// once. Counts them.
class RefusingServer {
 public:
  RefusingServer() {
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(socket_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(socket_, 16) != 0 ||
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      ADD_FAILURE() << "no listening socket";
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] {
      while (!stop_) {
        pollfd ready{socket_, POLLIN, 0};
        if (::poll(&ready, 1, 50) != 1) continue;
        const int client = ::accept(socket_, nullptr, nullptr);
        if (client < 0) continue;
        ++taken_;
        ::close(client);
      }
    });
  }
  ~RefusingServer() {
    stop_ = true;
    thread_.join();
    ::close(socket_);
  }
  int port() const { return port_; }
  int taken() const { return taken_; }

 private:
  int socket_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> taken_{0};
  std::thread thread_;
};

TEST(PqLookupsTest, AConnectThatFailsIsNotTriedAgainAtEveryLookup) {
  if (Libpq() == nullptr) GTEST_SKIP() << "libpq.so.5 is not installed";
  for (const bool direct : {true, false}) {
    RefusingServer server;
    PqLookups lookups(
        "host=127.0.0.1 port=" + std::to_string(server.port()) +
            " dbname=suite user=suite sslmode=disable gssencmode=disable connect_timeout=10",
        direct);
    const auto read = [&] {
      return lookups.Read("select $1::int as x", "int", {Variant(5)}, "5", nullptr, 10,
                          std::chrono::seconds(10));
    };
    // The first time only remembered; the second connects, fails, and leaves it to the driver.
    EXPECT_EQ(read(), nullptr);
    EXPECT_EQ(server.taken(), 0) << direct;
    EXPECT_EQ(read(), nullptr);
    // The lookups that follow go to the driver without a connect.
    for (int lookup = 0; lookup < 5; ++lookup) EXPECT_EQ(read(), nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(server.taken(), 1) << direct;
    EXPECT_FALSE(lookups.open());
  }
}

}  // namespace
}  // namespace qmz::suite
