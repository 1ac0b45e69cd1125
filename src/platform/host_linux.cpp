// The process id and the host's property dictionary on Linux: the dictionaries are published in
// a table of this process keyed by the process id, standing for the desktop window's properties.
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <map>

#include "qmz/host.h"

namespace qmz {

namespace {

std::map<uint32_t, Dictionary*>& Published() {
  static std::map<uint32_t, Dictionary*> published;
  return published;
}

// The process's id, asked of the system once and again in a child made by fork(): a lookup
// asks for it several times, and each ask is a system call.
std::atomic<pid_t> own_id{0};

}  // namespace

uint32_t CurrentProcessId() {
  static const bool kept = [] {
    ::pthread_atfork(nullptr, nullptr, [] { own_id = ::getpid(); });
    own_id = ::getpid();
    return true;
  }();
  static_cast<void>(kept);
  return static_cast<uint32_t>(own_id.load(std::memory_order_relaxed));
}

void PublishHostProperties(uint32_t process_id, Dictionary* properties) {
  if (properties == nullptr) {
    Published().erase(process_id);
  } else {
    Published()[process_id] = properties;
  }
}

void WithdrawHostProperties(uint32_t process_id) {
  Published().erase(process_id);
}

Dictionary* PublishedHostProperties(uint32_t process_id) {
  auto hit = Published().find(process_id);
  return hit == Published().end() ? nullptr : hit->second;
}

}  // namespace qmz
