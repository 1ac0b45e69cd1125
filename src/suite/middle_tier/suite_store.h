// The suite's own tables: users and their rights, the item classes under data authorisation,
// the system profile and the user profile, in SQL every suite database runs unchanged, with
// parameters. One SuiteStore is one connection (database.h), opened for one component call and
// closed at its end. Errors (qmz::Error) carry the database's message.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <memory>

#include "suite/database.h"

namespace qmz::suite {

struct SuiteUser {
  int32_t id = 0;
  std::string name;
  bool all_rights = false;
  bool need_authorize = false;
};

class SuiteStore {
 public:
  // A file or "odbc:..." (database.h).
  explicit SuiteStore(const std::string& database_target);
  // A database opened already.
  explicit SuiteStore(std::unique_ptr<Database> database) : database_(std::move(database)) {}

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
  TextRows Query(const std::string& sql, const Params& params) {
    return database_->Query(sql, params);
  }

  std::unique_ptr<Database> database_;
};

}  // namespace qmz::suite
