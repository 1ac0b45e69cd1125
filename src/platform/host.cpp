#include "qmz/host.h"

namespace qmz {

namespace {

struct Pointer {
  int value = kPointerDefault;
  std::function<void(int)> listener;
};

Pointer& ScreenPointer() {
  static Pointer pointer;
  return pointer;
}

}  // namespace

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
