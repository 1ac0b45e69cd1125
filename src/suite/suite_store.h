// The suite's own tables: users and their rights, the item classes under data authorisation,
// the system profile and the user profile. One SuiteStore is one connection, opened for one
// component call and closed at its end. Errors (qmz::Error) carry SQLite's message.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "suite/sqlite_connection.h"

namespace qmz::suite {

struct SuiteUser {
  int32_t id = 0;
  std::string name;
  bool all_rights = false;
  bool need_authorize = false;
};

class SuiteStore {
 public:
  explicit SuiteStore(const std::string& database_path);

  // The CREATE statements of the suite's own tables.
  static const char* Schema();

  std::optional<SuiteUser> FindUser(const std::string& name);
  std::optional<SuiteUser> FindUser(int32_t id);
  bool HasRight(int32_t user_id, int32_t object_type, int32_t object_id, int32_t right);
  std::string AuthorizedItemClasses();
  std::optional<std::string> SystemProfile(const std::string& category, const std::string& key);
  std::string UserProfile(int32_t user_id, const std::string& section, const std::string& key);
  void SaveUserProfile(int32_t user_id, const std::string& section, const std::string& key,
                       const std::string& value);
  std::string AccountName();
  // Whether the item's batches are tracked by number; false for an unknown item.
  bool ItemTrackedByNumber(int32_t item_id);

 private:
  std::vector<std::vector<std::optional<std::string>>> Query(
      const std::string& sql, const std::vector<std::string>& params) {
    return connection_.QueryTexts(sql, params);
  }

  SqliteConnection connection_;
};

}  // namespace qmz::suite
