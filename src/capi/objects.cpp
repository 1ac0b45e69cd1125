// Components created by ProgID and called by member name.
#include <vector>

#include "capi/handles.h"
#include "qmz/baselist.h"
#include "qmz/components.h"

namespace qmz::capi {
namespace {

std::shared_ptr<ObjectData> FindObject(qmz_object* object, const char* what) {
  auto data = Find<ObjectData>(object, Kind::kObject, what);
  if (!SessionIsOpen(data->session)) {
    Fail(QMZ_E_STATE, std::string(what) + ": the object's session is closed");
  }
  return data;
}

// Calls `member` with the arguments, as qmz_invoke and qmz_invoke_texts do.
qmz::Variant Invoke(qmz_object* object, const char* member, const qmz_value* args, size_t count,
                    const char* what) {
  auto data = FindObject(object, what);
  Require(member, "member");
  if (count > 0) Require(args, "args");
  // No member takes more; a larger count is a caller's mistake, not a request for memory.
  constexpr size_t kMostArguments = 64;
  if (count > kMostArguments) {
    Fail(QMZ_E_ARGUMENT, "count: a member takes at most " + std::to_string(kMostArguments) +
                             " arguments, not " + std::to_string(count));
  }
  std::vector<qmz::Variant> values;
  values.reserve(count);
  for (size_t i = 0; i < count; ++i) values.push_back(ToVariant(args[i]));
  qmz::Variant answer = data->component->Invoke(member, values);
  // An operation of BaseList that failed inside answers null and keeps the reason; the host
  // gets the reason, as the baselist command does, so that a failure is never taken for
  // "nothing found".
  if (std::dynamic_pointer_cast<qmz::BaseList>(data->component) &&
      !qmz::BaseList::IsProperty(member) && !answer.AsObject() && !qmz::LastFailure().empty()) {
    Fail(QMZ_E_COMPONENT, qmz::LastFailure());
  }
  return answer;
}

}  // namespace

uint64_t AddResult(Variant value) {
  auto result = std::make_shared<ResultData>();
  result->value = std::move(value);
  return AddHandle(Kind::kResult, result);
}

}  // namespace qmz::capi

using namespace qmz::capi;

extern "C" {

qmz_status qmz_create(qmz_session* session, const char* prog_id, qmz_object** out) {
  return StatusOf([&] {
    Find<Session>(session, Kind::kSession, "qmz_create");
    Require(prog_id, "prog_id");
    Require(out, "out");
    auto data = std::make_shared<ObjectData>();
    data->session = TokenOf(session);
    data->component = qmz::ComponentRegistry::Instance().Create(prog_id);
    *out = HandleOf<qmz_object>(AddHandle(Kind::kObject, data));
  });
}

qmz_status qmz_object_destroy(qmz_object* object) {
  return StatusOf([&] { RemoveHandle(TokenOf(object), Kind::kObject, "qmz_object_destroy"); });
}

qmz_status qmz_set_property(qmz_object* object, const char* name, qmz_value value) {
  return StatusOf([&] {
    auto data = FindObject(object, "qmz_set_property");
    Require(name, "name");
    if (std::dynamic_pointer_cast<qmz::BaseList>(data->component) &&
        !qmz::BaseList::IsProperty(name)) {
      Fail(QMZ_E_COMPONENT, std::string("Not a property of BaseList: ") + name);
    }
    std::vector<qmz::Variant> args{ToVariant(value)};
    data->component->Invoke(name, args);
  });
}

qmz_status qmz_invoke(qmz_object* object, const char* member, const qmz_value* args, size_t count,
                      qmz_result** out) {
  return StatusOf([&] {
    Require(out, "out");
    *out = HandleOf<qmz_result>(AddResult(Invoke(object, member, args, count, "qmz_invoke")));
  });
}

qmz_status qmz_invoke_texts(qmz_object* object, const char* member, const qmz_value* args,
                            size_t count, const char** packed, size_t* length, qmz_result** out) {
  return StatusOf([&] {
    Require(packed, "packed");
    Require(length, "length");
    Require(out, "out");
    *packed = nullptr;
    *length = 0;
    *out = nullptr;
    qmz::Variant answer = Invoke(object, member, args, count, "qmz_invoke_texts");
    const qmz_result_kind kind = KindOf(answer);
    if (kind == QMZ_RESULT_NULL) return;
    thread_local std::string buffer;
    if (kind == QMZ_RESULT_DICTIONARY && PackTexts(*answer.As<qmz::Dictionary>(), buffer)) {
      *packed = buffer.c_str();
      *length = buffer.size();
      return;
    }
    *out = HandleOf<qmz_result>(AddResult(std::move(answer)));
  });
}

}  // extern "C"
