// The login language. The suite runs in "chs", for which no form resources exist: texts pass
// through unchanged and forms load nothing.
#pragma once

#include <string>

namespace qmz {

class Object;

const std::string& LoginLanguage();
std::string TranslateText(const std::string& text);
void LoadFormLanguage(Object& form);

}  // namespace qmz
