// The login property string parser: any text parses or is refused, never more.
#include "fuzz/fuzz_input.h"
#include "login/props_parser.h"
#include "qmz/error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    qmz::ParseProps(text);
    qmz::GetParsedProp("UserID");
    qmz::GetParsedProp("DBName");
    qmz::GetUserID();
  } catch (const qmz::Error&) {
  }
  std::string rest = text;
  for (int i = 0; i < 64 && !rest.empty(); ++i) {
    qmz::NextKey(rest);
    qmz::NextValue(rest);
  }
  return 0;
}
