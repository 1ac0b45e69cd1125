// The C interface's handles, statuses and last error.
//
// A handle is a token, not an address: tokens count up and are never reused, so a destroyed
// handle, or one of another kind, is found out by a lookup in the registry of live handles
// instead of by reading freed memory. The registry is guarded by a mutex; what a handle holds is
// used on the host's one user-interface thread.
#pragma once

// clang-format off
#include "capi/public_api.h"  // first: the public classes keep default visibility
// clang-format on

#include <cstdint>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <unordered_map>

#include "qmz/qmz_c.h"

namespace qmz::capi {

enum class Kind : uint8_t { kSession, kObject, kResult };

// A failure with its status, raised inside the library and turned into the status at the
// boundary.
struct Failure {
  qmz_status status;
  std::string message;
};

struct Session {
  Dictionary properties;  // published under the process id while the session lives
  std::ostringstream messages;
  std::string messages_out;  // what qmz_session_messages handed out last
  std::unique_ptr<DialogSession> dialogs;
};

struct ObjectData {
  uint64_t session = 0;  // the session's token
  ComponentPtr component;
};

struct ResultData {
  Variant value;
  // Texts handed out, by slot, so that each lives as long as the result.
  mutable std::unordered_map<uint64_t, std::string> texts;
  mutable std::string json;
  mutable bool has_json = false;
  mutable std::string packed;  // qmz_dict_texts
  mutable bool has_packed = false;
};

// Registers `data` and answers its new token.
uint64_t AddHandle(Kind kind, std::shared_ptr<void> data);
// The data of a live handle of that kind; Failure QMZ_E_HANDLE otherwise.
std::shared_ptr<void> FindHandle(uint64_t token, Kind kind, const char* what);
// Removes a live handle of that kind and answers its data; Failure QMZ_E_HANDLE otherwise.
std::shared_ptr<void> RemoveHandle(uint64_t token, Kind kind, const char* what);
bool IsLive(uint64_t token, Kind kind);
size_t LiveHandles();
// Whether the session of that token is the open one.
bool SessionIsOpen(uint64_t token);

template <class T>
uint64_t TokenOf(const T* handle) {
  return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(handle));
}
template <class T>
T* HandleOf(uint64_t token) {
  return reinterpret_cast<T*>(static_cast<uintptr_t>(token));
}
template <class T, class H>
std::shared_ptr<T> Find(const H* handle, Kind kind, const char* what) {
  return std::static_pointer_cast<T>(FindHandle(TokenOf(handle), kind, what));
}

// Registers a new result holding `value` and answers its token.
uint64_t AddResult(Variant value);
// What a result holds: null (also an empty object), a scalar, a dictionary, ...
qmz_result_kind KindOf(const Variant& value);
// A dictionary whose every value is a text as key, NUL, value, NUL, ... (no NUL at the end) in
// `out`; false, with `why`, for a value that is no text or a NUL inside.
bool PackTexts(const Dictionary& dictionary, std::string& out, std::string* why = nullptr);

void SetLastError(const std::string& message);

[[noreturn]] void Fail(qmz_status status, const std::string& message);
// Fails with QMZ_E_ARGUMENT when `pointer` is NULL.
void Require(const void* pointer, const char* name);

// Runs `body`, turning every exception into a status and the thread's last error.
template <class F>
qmz_status StatusOf(F&& body) noexcept {
  try {
    body();
    return QMZ_OK;
  } catch (const Failure& failure) {
    SetLastError(failure.message);
    return failure.status;
  } catch (const std::bad_alloc&) {
    SetLastError("Out of memory");
    return QMZ_E_INTERNAL;
  } catch (const std::exception& e) {
    // qmz::Error and the standard library's failures inside the suite and the component.
    SetLastError(e.what());
    return QMZ_E_COMPONENT;
  } catch (...) {
    SetLastError("An unknown failure inside the library");
    return QMZ_E_INTERNAL;
  }
}

// A value passed in, as the component's Variant; Failure QMZ_E_ARGUMENT for an unknown tag.
Variant ToVariant(const qmz_value& value);
// A Variant handed out; its text is kept in `result` under `slot`.
qmz_value FromVariant(const Variant& value, const ResultData& result, uint64_t slot);

}  // namespace qmz::capi
