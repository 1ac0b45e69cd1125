#include "qmz/host.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <map>

namespace qmz {

namespace {

std::map<uint32_t, Dictionary*>& Published() {
  static std::map<uint32_t, Dictionary*> published;
  return published;
}

struct Pointer {
  int value = kPointerDefault;
  std::function<void(int)> listener;
};

Pointer& ScreenPointer() {
  static Pointer pointer;
  return pointer;
}

}  // namespace

// The process's id, asked of the system once and again in a child made by fork(): a lookup
// asks for it several times, and each ask is a system call.
std::atomic<pid_t> own_id{0};

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

int ScreenMousePointer() {
  return ScreenPointer().value;
}

void SetScreenMousePointer(int pointer) {
  ScreenPointer().value = pointer;
  if (ScreenPointer().listener) ScreenPointer().listener(pointer);
}

void SetMousePointerListener(std::function<void(int)> listener) {
  ScreenPointer().listener = std::move(listener);
}

}  // namespace qmz
