// qmz::Error: the one exception type of the component and its platform stand-ins.
//
// Every failure carries a description, the text a message box or a log shows. Public
// operations of BaseList catch it (and anything else) and return no object.
#pragma once

#include <stdexcept>
#include <string>

namespace qmz {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& description) : std::runtime_error(description) {}
  const char* Description() const noexcept { return what(); }
};

}  // namespace qmz
