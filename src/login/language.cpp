#include "login/language.h"

namespace qmz {

const std::string& LoginLanguage() {
  static const std::string language = "chs";
  return language;
}

std::string TranslateText(const std::string& text) {
  return text;
}

void LoadFormLanguage(Object&) {}

}  // namespace qmz
