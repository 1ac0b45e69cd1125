// The process id and the host's property dictionary on Windows: the host attaches its
// dictionary's address to the desktop window as a window property named by its process id in
// decimal digits, and the library reads it there.
#include <windows.h>

#include <string>

#include "qmz/host.h"

namespace qmz {

namespace {

std::string PropertyName(uint32_t process_id) {
  return std::to_string(process_id);
}

}  // namespace

uint32_t CurrentProcessId() {
  return ::GetCurrentProcessId();
}

void PublishHostProperties(uint32_t process_id, Dictionary* properties) {
  if (properties == nullptr) {
    WithdrawHostProperties(process_id);
    return;
  }
  ::SetPropA(::GetDesktopWindow(), PropertyName(process_id).c_str(), properties);
}

void WithdrawHostProperties(uint32_t process_id) {
  ::RemovePropA(::GetDesktopWindow(), PropertyName(process_id).c_str());
}

Dictionary* PublishedHostProperties(uint32_t process_id) {
  // Only this process's own dictionary is an address here: another's is not read.
  if (process_id != ::GetCurrentProcessId()) return nullptr;
  return static_cast<Dictionary*>(
      ::GetPropA(::GetDesktopWindow(), PropertyName(process_id).c_str()));
}

}  // namespace qmz
