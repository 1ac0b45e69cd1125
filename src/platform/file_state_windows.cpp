#include <windows.h>

#include "platform/file_state.h"
#include "platform/wide_path.h"

namespace qmz {

namespace {

// 100-nanosecond intervals to nanoseconds; only differences matter.
int64_t Nanoseconds(LARGE_INTEGER time) {
  return time.QuadPart * 100;
}

}  // namespace

std::optional<FileState> StateOfFile(const std::string& path) {
  // Opened for its attributes only, sharing everything: no writer or remover is held up.
  HANDLE file = ::CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  FILE_BASIC_INFO basic{};
  const bool seen = ::GetFileInformationByHandle(file, &info) &&
                    ::GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic);
  ::CloseHandle(file);
  if (!seen) return std::nullopt;
  return FileState{
      info.dwVolumeSerialNumber,
      (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
      static_cast<int64_t>((static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow),
      Nanoseconds(basic.LastWriteTime), Nanoseconds(basic.ChangeTime)};
}

bool FileMarkedReadOnly(const std::string& path) {
  const std::wstring wide = WidePath(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return true;
  // The file's permissions may still deny this user writing: asked by opening it to write,
  // sharing everything, and closing it again unchanged.
  HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_ACCESS_DENIED;
  ::CloseHandle(file);
  return false;
}

}  // namespace qmz
