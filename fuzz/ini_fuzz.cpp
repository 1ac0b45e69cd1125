// The INI reader behind JXCSystem.INI: any file text parses; a value set is the value read back,
// also after the text is written and parsed again.
#include "fuzz/fuzz_input.h"
#include "platform/ini_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const qmz::fuzz::Input input = qmz::fuzz::Split(data, size);
  qmz::IniDocument document = qmz::IniDocument::Parse(input.Text(0));
  document.Get(input.Text(1), input.Text(2));
  // Names and values as the dialogs write them: no line breaks, brackets, "=" or blanks.
  auto plain = [](const std::string& text) {
    std::string out;
    for (char c : text) {
      if (std::isalnum(static_cast<unsigned char>(c))) out.push_back(c);
    }
    return out.empty() ? std::string("k") : out;
  };
  const std::string section = plain(input.Text(1)), key = plain(input.Text(2));
  const std::string value = plain(input.Text(3));
  document.Set(section, key, value);
  qmz::fuzz::Require(document.Get(section, key) == value);
  qmz::IniDocument again = qmz::IniDocument::Parse(document.Text());
  qmz::fuzz::Require(again.Get(section, key) == value);
  return 0;
}
