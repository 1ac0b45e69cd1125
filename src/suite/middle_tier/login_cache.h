// The suite's login cache for this process: who logged in and the properties the library reads
// (UserName, UserID, PropsString, AcctName, ...). Filled by LogIn, read by the CacheFacade and
// ShareProps components. Process-wide, set up before use from the host's thread.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "qmz/variant.h"

namespace qmz::suite {

struct LoginCache {
  std::string database_path;
  std::string read_path;  // where the suite reads: database_path unless a read target was given
  std::string last_warning;
  bool outer_login = false;
  std::map<std::string, Variant> properties;
};

LoginCache& ProcessLoginCache();

// The user id carried by a login property string (item UserID=...); Error when absent.
int32_t UserIdFromProps(const std::string& props_string);

}  // namespace qmz::suite
