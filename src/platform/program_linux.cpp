#include <errno.h>

#include <filesystem>

#include "platform/program.h"

namespace qmz {

std::string ModuleFile() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

std::string ModuleFolder() {
  return std::filesystem::path(ModuleFile()).parent_path().string();
}

std::string ProgramName() {
  return program_invocation_short_name ? program_invocation_short_name : "";
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void WriteStandardStreamsAsBytes() {}

}  // namespace qmz
