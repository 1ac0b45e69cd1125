#include "login/login_context.h"

#include <cstring>

#include "platform/ignore_errors.h"
#include "qmz/components.h"
#include "qmz/host.h"

namespace qmz {

const std::array<const char*, 14>& OuterLoginKeys() {
  static const std::array<const char*, 14> keys = {
      "UserName", "UserID", "PropsString", "LogStatus",   "AcctName", "AcctType", "Setuptype",
      "AcctID",   "SubID",  "AcctClosed",  "MachineName", "IP",       "UUID",     "QMZLogin"};
  return keys;
}

namespace {

bool IsOuterLoginKey(const std::string& key) {
  for (const char* served : OuterLoginKeys()) {
    if (key == served) return true;
  }
  return false;
}

// The caches answer either a value or an object: the first call tells which, the second takes
// the answer. A Variant carries both kinds alike, so the second answer is the result.
template <class Ask>
Variant AskTwice(Ask ask) {
  ask();
  return ask();
}

}  // namespace

Variant GetLoginProperty(const std::string& key) {
  Variant result;
  int32_t process_id = 0;
  int32_t outer = 0;
  IgnoreErrors([&] { process_id = static_cast<int32_t>(CurrentProcessId()); });
  IgnoreErrors([&] {
    auto facade = CreateComponent<CacheFacade>(progid::kCacheFacade);
    outer = facade->GetItem(process_id, "IsOuterLogin").ToInt32();
  });
  if (outer == 1) {
    if (!IsOuterLoginKey(key)) return result;
    IgnoreErrors([&] {
      auto facade = CreateComponent<CacheFacade>(progid::kCacheFacade);
      result = AskTwice([&] { return facade->GetItem(process_id, key); });
    });
  } else if (outer == 0) {
    IgnoreErrors([&] {
      auto shared = CreateComponent<ShareProps>(progid::kShareProps);
      result = AskTwice([&] { return shared->GetProperty(process_id, key); });
    });
  }
  return result;
}

std::string GetPropsString() {
  Variant value = GetLoginProperty("PropsString");
  std::string text;
  IgnoreErrors([&] { text = value.IsNull() ? std::string() : value.ToText(); });
  return text;
}

}  // namespace qmz
