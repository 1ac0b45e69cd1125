#include "capi/handles.h"

#include <cstring>

namespace qmz::capi {

namespace {

struct Entry {
  Kind kind;
  std::shared_ptr<void> data;
};

std::mutex registry_mutex;
// Never destroyed: handles may be released while the process exits.
auto& registry = *new std::unordered_map<uint64_t, Entry>();
// Tokens start far from small integers a host might pass by mistake, and step by 16 so that
// they look like aligned addresses to debuggers.
uint64_t next_token = 0x51a0000;

thread_local std::string last_error;

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::kSession:
      return "session";
    case Kind::kObject:
      return "object";
    case Kind::kResult:
      return "result";
  }
  return "handle";
}

// The kind's name after its article: "a session", "an object".
std::string WithArticle(Kind kind) {
  const std::string name = KindName(kind);
  return (name[0] == 'o' ? "an " : "a ") + name;
}

std::unordered_map<uint64_t, Entry>::iterator Lookup(uint64_t token, Kind kind, const char* what) {
  if (token == 0) Fail(QMZ_E_HANDLE, std::string(what) + ": the " + KindName(kind) + " is NULL");
  auto found = registry.find(token);
  if (found == registry.end()) {
    Fail(QMZ_E_HANDLE, std::string(what) + ": the " + KindName(kind) +
                           " handle is not a live handle (destroyed, or never made)");
  }
  if (found->second.kind != kind) {
    Fail(QMZ_E_HANDLE, std::string(what) + ": " + WithArticle(found->second.kind) +
                           " handle was given where " + WithArticle(kind) + " is wanted");
  }
  return found;
}

}  // namespace

uint64_t AddHandle(Kind kind, std::shared_ptr<void> data) {
  std::lock_guard lock(registry_mutex);
  next_token += 16;
  registry.emplace(next_token, Entry{kind, std::move(data)});
  return next_token;
}

std::shared_ptr<void> FindHandle(uint64_t token, Kind kind, const char* what) {
  std::lock_guard lock(registry_mutex);
  return Lookup(token, kind, what)->second.data;
}

std::shared_ptr<void> RemoveHandle(uint64_t token, Kind kind, const char* what) {
  std::shared_ptr<void> data;
  {
    std::lock_guard lock(registry_mutex);
    auto found = Lookup(token, kind, what);
    data = std::move(found->second.data);
    registry.erase(found);
  }
  return data;  // released by the caller, outside the lock
}

bool IsLive(uint64_t token, Kind kind) {
  std::lock_guard lock(registry_mutex);
  auto found = registry.find(token);
  return found != registry.end() && found->second.kind == kind;
}

size_t LiveHandles() {
  std::lock_guard lock(registry_mutex);
  return registry.size();
}

void SetLastError(const std::string& message) {
  try {
    last_error = message;
  } catch (...) {
    last_error.clear();
  }
}

void Fail(qmz_status status, const std::string& message) {
  throw Failure{status, message};
}

void Require(const void* pointer, const char* name) {
  if (!pointer) Fail(QMZ_E_ARGUMENT, std::string(name) + " is NULL");
}

Variant ToVariant(const qmz_value& value) {
  // The tag is read as a plain int: a host may pass any number there.
  int type = 0;
  std::memcpy(&type, &value.type, sizeof type);
  switch (type) {
    case QMZ_NULL:
      return Variant::Null();
    case QMZ_BOOL:
      return Variant(value.as.boolean != 0);
    case QMZ_INTEGER:
      return Variant(static_cast<long long>(value.as.integer));
    case QMZ_DOUBLE:
      return Variant(value.as.number);
    case QMZ_TEXT:
      return Variant(std::string(value.as.text ? value.as.text : ""));
  }
  Fail(QMZ_E_ARGUMENT, "Unknown value type " + std::to_string(type));
}

qmz_value FromVariant(const Variant& value, const ResultData& result, uint64_t slot) {
  qmz_value out{};
  switch (value.type()) {
    case Variant::Type::Empty:
    case Variant::Type::Null:
      out.type = QMZ_NULL;
      return out;
    case Variant::Type::Boolean:
      out.type = QMZ_BOOL;
      out.as.boolean = value.ToBool() ? 1 : 0;
      return out;
    case Variant::Type::Integer:
      out.type = QMZ_INTEGER;
      out.as.integer = value.ToInt64();
      return out;
    case Variant::Type::Double:
      out.type = QMZ_DOUBLE;
      out.as.number = value.ToDouble();
      return out;
    case Variant::Type::Text: {
      auto [place, added] = result.texts.try_emplace(slot);
      if (added) place->second = value.ToText();
      out.type = QMZ_TEXT;
      out.as.text = place->second.c_str();
      return out;
    }
    case Variant::Type::Object:
      if (!value.AsObject()) {  // an operation's "no object"
        out.type = QMZ_NULL;
        return out;
      }
      break;
  }
  Fail(QMZ_E_KIND, "The value is an object, not a scalar");
}

}  // namespace qmz::capi

extern "C" const char* qmz_last_error(void) {
  return qmz::capi::last_error.c_str();
}

extern "C" qmz_status qmz_handle_count(size_t* count) {
  using namespace qmz::capi;
  return StatusOf([&] {
    Require(count, "count");
    *count = LiveHandles();
  });
}
