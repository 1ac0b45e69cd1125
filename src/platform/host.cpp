#include "qmz/host.h"

#include <unistd.h>

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

uint32_t CurrentProcessId() {
  return static_cast<uint32_t>(::getpid());
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
