// What the system tells of a file without opening it for reading: which file it is (its volume
// and its number there: a file replaced under the same name is another file), its size and
// when its content and its status last changed (nanoseconds), and whether it is marked
// read-only (nobody may write it, or this process may not; a mark that holds also for root, whom
// the system would let write it).
//
// Stateless, thread-safe; nothing here throws.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qmz {

struct FileState {
  uint64_t volume = 0;
  uint64_t number = 0;
  int64_t size = 0;
  int64_t written = 0;  // the content's last change
  int64_t changed = 0;  // the status's last change (mode, owner, attributes, content)
  bool operator==(const FileState&) const = default;
};

// The file's state; nullopt when it cannot be seen.
std::optional<FileState> StateOfFile(const std::string& path);

// Whether the file is marked read-only; false when it cannot be seen.
bool FileMarkedReadOnly(const std::string& path);

}  // namespace qmz
