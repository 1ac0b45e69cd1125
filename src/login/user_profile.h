// The user profile the middle tier keeps for the logged-in user, and the column-width record
// of the pickers (section "BaseList", key "ColWidth", widths separated by "|"). Failures rise
// to the caller.
#pragma once

#include <memory>
#include <string>

#include "qmz/containers.h"

namespace qmz {

std::string GetUserProfile(const std::string& section, const std::string& key);
void SaveUserProfile(const std::string& section, const std::string& key, const std::string& value);

// "Col0", "Col1", ... for the pieces of the record; empty when there is no record.
std::shared_ptr<Dictionary> LoadColWidths();
void SaveColWidths(const std::string& widths);

}  // namespace qmz
