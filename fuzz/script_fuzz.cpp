// The script language of the scripted host: any script is read into actions or refused with
// qmz::Error naming the action.
#include "fuzz/fuzz_input.h"
#include "platform/ui/scripted_host.h"
#include "qmz/error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    for (const qmz::ScriptAction& action : qmz::ParseScript(text)) {
      qmz::fuzz::Require(!action.verb.empty());
    }
  } catch (const qmz::Error&) {
  }
  try {
    qmz::ScriptKeyCode(text);
  } catch (const qmz::Error&) {
  }
  return 0;
}
