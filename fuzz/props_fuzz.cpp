// The key=value parsers: any login property string parses or is refused, any connection string
// parses, never more.
#include "fuzz/fuzz_input.h"
#include "login/props_parser.h"
#include "platform/key_values.h"
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
  for (const qmz::KeyValue& attribute : qmz::ConnectionAttributes(text)) {
    qmz::Unbraced(attribute.value);
  }
  return 0;
}
