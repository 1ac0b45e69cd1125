// Settings files on Windows. Writers of one file are kept apart by a named mutex of the machine
// named after the file (as flock on its folder does on Linux); a write goes to a temporary file
// beside it that replaces the old one by MoveFileEx, so readers see the old or the new file. A
// mutex whose holder died is taken over: the file itself is whole either way.
#include <windows.h>

#include <sddl.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/file_state.h"
#include "platform/ini_file.h"
#include "platform/wide_path.h"

namespace qmz {

namespace {

constexpr DWORD kMaxSettingsFileSize = 16 * 1024 * 1024;

[[noreturn]] void Fail(const char* what, const std::string& path, DWORD error) {
  throw Error(std::string(what) + " " + path + ": " +
              std::system_category().message(static_cast<int>(error)));
}

// Reads the whole file: 0, or the system's error (ERROR_FILE_TOO_LARGE past the limit).
DWORD ReadFileWhole(const std::wstring& path, std::string& text) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ::GetLastError();
  std::string read;
  DWORD error = 0;
  char buffer[16384];
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(file, buffer, sizeof buffer, &n, nullptr)) {
      error = ::GetLastError();
      break;
    }
    if (n == 0) break;
    if (read.size() + n > kMaxSettingsFileSize) {
      error = ERROR_FILE_TOO_LARGE;
      break;
    }
    read.append(buffer, n);
  }
  ::CloseHandle(file);
  if (error == 0) text = std::move(read);
  return error;
}

// Whether the process `id` has ended (or never was).
bool ProcessGone(DWORD id) {
  HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, id);
  if (process == nullptr) return ::GetLastError() == ERROR_INVALID_PARAMETER;
  const bool gone = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  ::CloseHandle(process);
  return gone;
}

// Whether `name` is a temporary file of the settings file `settings` left by a writer that is
// gone ("<settings>.tmp.<pid>.<n>").
bool IsLeftOver(const std::wstring& name, const std::wstring& settings) {
  const std::wstring prefix = settings + L".tmp.";
  if (name.compare(0, prefix.size(), prefix) != 0) return false;
  const std::wstring rest = name.substr(prefix.size());
  const size_t dot = rest.find(L'.');
  if (dot == 0 || dot == std::wstring::npos || dot > 9) return false;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (i != dot && !std::iswdigit(rest[i])) return false;
  }
  const DWORD writer = static_cast<DWORD>(std::stoul(rest.substr(0, dot)));
  return writer != ::GetCurrentProcessId() && ProcessGone(writer);
}

// The machine-wide mutex of a settings file, named after the file: its folder's volume and
// number (whatever path reaches it: a short name, a junction, a mapped drive) and its name,
// compared without case as Windows compares names. Empty when the folder cannot be opened.
std::wstring MutexName(const std::filesystem::path& full) {
  const std::optional<FileState> folder = StateOfFile(Utf8Of(full.parent_path().wstring()));
  if (!folder) return {};
  uint64_t hash = 1469598103934665603ull;
  for (wchar_t c : full.filename().wstring()) {
    hash = (hash ^ static_cast<uint64_t>(std::towlower(c))) * 1099511628211ull;
  }
  wchar_t name[96];
  swprintf(name, 96, L"Global\\qmzbaselist-settings-%08llx-%016llx-%016llx",
           static_cast<unsigned long long>(folder->volume),
           static_cast<unsigned long long>(folder->number), static_cast<unsigned long long>(hash));
  return name;
}

// The mutex `name`, made so that every user of the machine may wait on it (a second user's
// writes to a shared file then wait too, rather than fail), or opened when another made it.
HANDLE OpenMachineMutex(const std::wstring& name) {
  SECURITY_ATTRIBUTES security{sizeof security, nullptr, FALSE};
  // Everyone: SYNCHRONIZE and MUTEX_MODIFY_STATE, nothing more.
  ::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;0x00100001;;;WD)", SDDL_REVISION_1,
                                                         &security.lpSecurityDescriptor, nullptr);
  HANDLE mutex = ::CreateMutexW(&security, FALSE, name.c_str());
  const DWORD failure = ::GetLastError();
  ::LocalFree(security.lpSecurityDescriptor);
  if (mutex == nullptr && failure == ERROR_ACCESS_DENIED) {
    mutex = ::OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str());
  }
  if (mutex == nullptr) ::SetLastError(failure);
  return mutex;
}

// Replaces `target` by `temp`. A reader or a virus scanner that has the old file open makes
// Windows refuse the replacement for a moment: tried again for up to two seconds.
bool ReplaceWith(const std::filesystem::path& temp, const std::filesystem::path& target) {
  for (int attempt = 0;; ++attempt) {
    if (::MoveFileExW(temp.c_str(), target.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    const DWORD failure = ::GetLastError();
    if ((failure != ERROR_ACCESS_DENIED && failure != ERROR_SHARING_VIOLATION) || attempt == 40) {
      ::SetLastError(failure);
      return false;
    }
    ::Sleep(static_cast<DWORD>(std::min(10 + attempt * 5, 100)));
  }
}

// A settings file's mutex held until destroyed.
class LockedFile {
 public:
  explicit LockedFile(const std::string& given) : path_(given) {
    std::error_code error;
    full_ = std::filesystem::absolute(std::filesystem::path(WidePath(given)), error);
    if (error) Fail("Cannot write", given, static_cast<DWORD>(error.value()));
    if (!full_.has_filename()) Fail("Cannot write", given, ERROR_DIRECTORY);
    const std::wstring name = MutexName(full_);
    if (name.empty()) Fail("Cannot write", given, ::GetLastError());
    mutex_ = OpenMachineMutex(name);
    if (mutex_ == nullptr) Fail("Cannot lock", given, ::GetLastError());
    const DWORD waited = ::WaitForSingleObject(mutex_, INFINITE);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
      const DWORD failure = ::GetLastError();
      ::CloseHandle(mutex_);
      Fail("Cannot lock", given, failure);
    }
  }
  ~LockedFile() {
    ::ReleaseMutex(mutex_);
    ::CloseHandle(mutex_);
  }
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;

  // The file's text, "" when it does not exist; Error when it exists but cannot be read.
  std::string ReadOld() const {
    std::string text;
    const DWORD error = ReadFileWhole(full_.wstring(), text);
    if (error == ERROR_FILE_NOT_FOUND) return text;
    if (error != 0) Fail("Cannot read", path_, error);
    return text;
  }

  // Error when the file there may not be replaced: not a plain file, or marked read-only. The
  // leftovers of killed writers are removed.
  void ReadyToReplace() const {
    const DWORD attributes = ::GetFileAttributesW(full_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
        throw Error("Cannot write " + path_ + ": it is not a plain file");
      }
      if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        throw Error("Cannot write " + path_ + ": the file is read-only for this user");
      }
    } else if (::GetLastError() != ERROR_FILE_NOT_FOUND) {
      Fail("Cannot write", path_, ::GetLastError());
    }
    RemoveLeftOvers();
  }

  // Puts `text` in the file's place through a temporary file beside it.
  void Replace(const std::string& text) const {
    static std::atomic<unsigned> counter{0};
    std::filesystem::path temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; file == INVALID_HANDLE_VALUE; ++attempt) {
      temp = full_;
      temp +=
          L".tmp." + std::to_wstring(::GetCurrentProcessId()) + L"." + std::to_wstring(counter++);
      file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file == INVALID_HANDLE_VALUE &&
          (::GetLastError() != ERROR_FILE_EXISTS || attempt == 100)) {
        Fail("Cannot write", path_, ::GetLastError());
      }
    }
    DWORD error = 0;
    for (size_t done = 0; error == 0 && done < text.size();) {
      DWORD n = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1 << 20));
      if (::WriteFile(file, text.data() + done, chunk, &n, nullptr)) {
        done += n;
      } else {
        error = ::GetLastError();
      }
    }
    if (error == 0 && !::FlushFileBuffers(file)) error = ::GetLastError();
    ::CloseHandle(file);
    if (error == 0 && !ReplaceWith(temp, full_)) error = ::GetLastError();
    if (error != 0) {
      ::DeleteFileW(temp.c_str());
      Fail("Cannot write", path_, error);
    }
  }

 private:
  void RemoveLeftOvers() const {
    const std::wstring name = full_.filename().wstring();
    const std::wstring pattern = (full_.parent_path() / (name + L".tmp.*")).wstring();
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
      if (IsLeftOver(found.cFileName, name)) {
        ::DeleteFileW((full_.parent_path() / found.cFileName).c_str());
      }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
  }

  std::string path_;
  std::filesystem::path full_;
  HANDLE mutex_ = nullptr;
};

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& text) {
  return ReadFileWhole(WidePath(path), text) == 0;
}

void ReplaceFileAtomically(const std::string& path, const std::string& text) {
  LockedFile file(path);
  file.ReadyToReplace();
  file.Replace(text);
}

void EditFileAtomically(const std::string& path,
                        const std::function<std::string(const std::string&)>& edit) {
  LockedFile file(path);
  file.ReadyToReplace();
  file.Replace(edit(file.ReadOld()));
}

}  // namespace qmz
