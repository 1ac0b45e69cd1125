#include "platform/ini_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "platform/ini_document.h"

namespace qmz {

namespace {

constexpr size_t kMaxSettingsFileSize = 16 * 1024 * 1024;

[[noreturn]] void Fail(const char* what, const std::string& path, int error) {
  throw Error(std::string(what) + " " + path + ": " + std::strerror(error));
}

// Reads `name` in `folder` (a descriptor, or AT_FDCWD for a path) to its end: 0, or the errno
// (EFBIG past kMaxSettingsFileSize, whatever the file claims to be: /dev/zero never ends). The
// file's status goes to `status`. A FIFO does not block the reader, it reads as empty.
int ReadFileAt(int folder, const char* name, std::string& text, struct stat& status) {
  int fd = ::openat(folder, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno;
  int error = ::fstat(fd, &status) == 0 ? 0 : errno;
  std::string read;
  char buffer[16384];
  while (error == 0) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0 && read.size() + static_cast<size_t>(n) > kMaxSettingsFileSize) {
      error = EFBIG;
    } else if (n > 0) {
      read.append(buffer, static_cast<size_t>(n));
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      error = errno;
    }
  }
  ::close(fd);
  if (error == 0) text = std::move(read);
  return error;
}

// The file a settings path stands for: the path itself, or where its chain of links ends (a
// site may keep one shared file elsewhere). Error for a loop of links.
std::string FinalTarget(const std::string& path) {
  std::filesystem::path at(path);
  for (int hops = 0;; ++hops) {
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(at, error))) break;
    if (hops == 40) Fail("Cannot write", path, ELOOP);
    std::filesystem::path next = std::filesystem::read_symlink(at, error);
    if (error) Fail("Cannot write", path, error.value());
    at = next.is_absolute() ? next : at.parent_path() / next;
  }
  return at.string();
}

// Whether `name`, a temporary file of the settings file `settings` ("<settings>.tmp.<pid>.<n>"),
// was left by a writer that is gone.
bool IsLeftOver(const std::string& name, const std::string& settings) {
  const std::string prefix = settings + ".tmp.";
  if (name.compare(0, prefix.size(), prefix) != 0) return false;
  const std::string rest = name.substr(prefix.size());
  const size_t dot = rest.find('.');
  if (dot == 0 || dot == std::string::npos || dot > 9) return false;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (i != dot && !std::isdigit(static_cast<unsigned char>(rest[i]))) return false;
  }
  const pid_t writer = static_cast<pid_t>(std::stol(rest.substr(0, dot)));
  return writer != ::getpid() && ::kill(writer, 0) != 0 && errno == ESRCH;
}

// The folder of a settings file, open and exclusively locked until destroyed. The lock is let go
// explicitly: a child forked meanwhile shares the descriptor, and closing alone would leave the
// folder locked for the child's whole life. A process that dies lets it go too.
class LockedFolder {
 public:
  explicit LockedFolder(const std::string& given) : path_(given) {
    const std::string path = FinalTarget(given);
    std::filesystem::path split(path);
    name_ = split.filename().string();
    if (name_.empty() || name_ == "." || name_ == "..") Fail("Cannot write", path, EISDIR);
    std::string folder = split.has_parent_path() ? split.parent_path().string() : ".";
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) Fail("Cannot write", path, errno);
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      int error = errno;
      ::close(fd_);
      Fail("Cannot lock the folder of", path, error);
    }
  }
  ~LockedFolder() {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
  }
  LockedFolder(const LockedFolder&) = delete;
  LockedFolder& operator=(const LockedFolder&) = delete;

  // The file's text, "" when it does not exist; Error when it exists but cannot be read.
  // `old` is set to its status when it exists.
  std::string ReadOld(std::optional<struct stat>& old) const {
    std::string text;
    struct stat status {};
    int error = ReadFileAt(fd_, name_.c_str(), text, status);
    if (error == ENOENT) return text;
    if (error != 0) Fail("Cannot read", path_, error);
    old = status;
    return text;
  }

  // The status of the file now there, nullopt when there is none; Error when it cannot be seen.
  std::optional<struct stat> StatOld() const {
    struct stat status {};
    if (::fstatat(fd_, name_.c_str(), &status, 0) == 0) return status;
    if (errno != ENOENT) Fail("Cannot write", path_, errno);
    return std::nullopt;
  }

  // Error when the file there may not be replaced: not a plain file, or one this process may not
  // write. A file nobody may write is refused also for root, whom the system would let write it.
  void CheckReplaceable(const std::optional<struct stat>& old) const {
    if (!old) return;
    if (!S_ISREG(old->st_mode)) {
      throw Error("Cannot write " + path_ + ": it is not a plain file");
    }
    if ((old->st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
        ::faccessat(fd_, name_.c_str(), W_OK, AT_EACCESS) != 0) {
      throw Error("Cannot write " + path_ + ": the file is read-only for this user");
    }
  }

  // Before a write: the file there (nullopt for none), once CheckReplaceable let it be replaced
  // and the leftovers of killed writers are gone.
  std::optional<struct stat> ReadyToReplace() const {
    std::optional<struct stat> old = StatOld();
    CheckReplaceable(old);
    RemoveLeftOvers();
    return old;
  }

  // Removes the temporary files of writers that were killed before their rename.
  void RemoveLeftOvers() const {
    int fd = ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    DIR* folder = ::fdopendir(fd);
    if (!folder) {
      ::close(fd);
      return;
    }
    while (const dirent* entry = ::readdir(folder)) {
      if (IsLeftOver(entry->d_name, name_)) ::unlinkat(fd_, entry->d_name, 0);
    }
    ::closedir(folder);
  }

  // Puts `text` in the file's place through a new file that gets the old file's mode and owner.
  void Replace(const std::string& text, const std::optional<struct stat>& old) const {
    // The name is unique in this process and among live processes; a leftover of a killed
    // process with the same id is stepped over.
    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
      temp = name_ + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(counter++);
      // Created as any new file, so that the umask and the folder's default ACL apply.
      fd = ::openat(fd_, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd < 0 && (errno != EEXIST || attempt == 100)) Fail("Cannot write", path_, errno);
    }
    int error = 0;
    if (old) {
      struct stat made {};
      if (::fstat(fd, &made) == 0 && (made.st_uid != old->st_uid || made.st_gid != old->st_gid)) {
        // Only root may give a file away: an owner that cannot be kept is not an error.
        [[maybe_unused]] int kept = ::fchown(fd, old->st_uid, old->st_gid);
      }
      if (::fchmod(fd, old->st_mode & 07777) != 0) error = errno;
    }
    for (size_t done = 0; error == 0 && done < text.size();) {
      ssize_t n = ::write(fd, text.data() + done, text.size() - done);
      if (n >= 0) {
        done += static_cast<size_t>(n);
      } else if (errno != EINTR) {
        error = errno;
      }
    }
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::renameat(fd_, temp.c_str(), fd_, name_.c_str()) != 0) error = errno;
    if (error != 0) {
      ::unlinkat(fd_, temp.c_str(), 0);
      Fail("Cannot write", path_, error);
    }
    // The rename reaches the disk with the folder. The new file is in place whatever this
    // answers, so a failure here is not reported as a failed write.
    ::fsync(fd_);
  }

 private:
  std::string path_;
  std::string name_;
  int fd_ = -1;
};

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& text) {
  struct stat status {};
  return ReadFileAt(AT_FDCWD, path.c_str(), text, status) == 0;
}

void ReplaceFileAtomically(const std::string& path, const std::string& text) {
  LockedFolder folder(path);
  folder.Replace(text, folder.ReadyToReplace());
}

void EditFileAtomically(const std::string& path,
                        const std::function<std::string(const std::string&)>& edit) {
  LockedFolder folder(path);
  folder.ReadyToReplace();
  std::optional<struct stat> old;
  std::string text = folder.ReadOld(old);
  folder.Replace(edit(text), old);
}

}  // namespace qmz
