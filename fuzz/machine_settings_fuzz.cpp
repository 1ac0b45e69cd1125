// The machine settings reader: any settings file answers a value or nothing, never fails.
#include <cstdlib>
#include <fstream>
#include <string>

#include <unistd.h>

#include "fuzz/fuzz_input.h"
#include "platform/machine_settings.h"

namespace {

const std::string& SettingsFile() {
  static const std::string path = [] {
    std::string file = "/tmp/qmz_fuzz_machine_" + std::to_string(::getpid()) + ".ini";
    ::setenv("QMZ_MACHINE_SETTINGS", file.c_str(), 1);
    return file;
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const qmz::fuzz::Input input = qmz::fuzz::Split(data, size);
  {
    std::ofstream file(SettingsFile(), std::ios::binary | std::ios::trunc);
    file << input.Text(0);
  }
  qmz::ReadMachineSetting(input.Text(1), input.Text(2));
  qmz::ReadMachineSetting("SOFTWARE\\Vantrel\\COMMERCE\\Tessan", "Path");
  return 0;
}
