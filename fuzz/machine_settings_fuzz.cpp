// The machine settings reader: any settings file answers a value or nothing, never fails.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_input.h"
#include "platform/machine_settings.h"

namespace {

// The settings file is a memory file in no folder, named through /proc/self/fd: it goes with the
// process, so no run leaves a file behind.
int SettingsFile() {
  static const int fd = [] {
    int file = ::memfd_create("qmz_fuzz_machine.ini", MFD_CLOEXEC);
    if (file < 0) {
      std::perror("memfd_create");
      std::abort();
    }
    ::setenv("QMZ_MACHINE_SETTINGS", ("/proc/self/fd/" + std::to_string(file)).c_str(), 1);
    return file;
  }();
  return fd;
}

// The file holds `text` and nothing else.
void Store(const std::string& text) {
  int fd = SettingsFile();
  if (::ftruncate(fd, 0) != 0 ||
      ::pwrite(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size())) {
    std::perror("the settings file");
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Once: the reader really reads the file, or every input would test nothing.
  static const bool reachable = [] {
    Store("[K]\nv=1\n");
    return qmz::ReadMachineSetting("K", "v") == "1";
  }();
  qmz::fuzz::Require(reachable);
  const qmz::fuzz::Input input = qmz::fuzz::Split(data, size);
  Store(input.Text(0));
  qmz::ReadMachineSetting(input.Text(1), input.Text(2));
  qmz::ReadMachineSetting("SOFTWARE\\Vantrel\\COMMERCE\\Tessan", "Path");
  return 0;
}
