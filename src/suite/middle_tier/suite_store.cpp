#include "suite/middle_tier/suite_store.h"

#include "qmz/error.h"

namespace qmz::suite {

SuiteStore::SuiteStore(const std::string& database_target)
    : database_(OpenDatabase(database_target)) {}

const char* SuiteStore::Schema() {
  return R"sql(
CREATE TABLE IF NOT EXISTS t_suite_user (
  FUserID INTEGER PRIMARY KEY,
  FName TEXT NOT NULL COLLATE NOCASE UNIQUE,
  FAllRights INTEGER NOT NULL DEFAULT 0,
  FNeedAuthorize INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS t_suite_right (
  FUserID INTEGER NOT NULL REFERENCES t_suite_user(FUserID),
  FObjectType INTEGER NOT NULL,
  FObjectID INTEGER NOT NULL,
  FRight INTEGER NOT NULL,
  PRIMARY KEY (FUserID, FObjectType, FObjectID, FRight));
CREATE TABLE IF NOT EXISTS t_suite_auth_item_class (
  FItemClassType INTEGER PRIMARY KEY);
CREATE TABLE IF NOT EXISTS t_suite_system_profile (
  FCategory TEXT NOT NULL COLLATE NOCASE,
  FKey TEXT NOT NULL COLLATE NOCASE,
  FValue TEXT,
  PRIMARY KEY (FCategory, FKey));
CREATE TABLE IF NOT EXISTS t_suite_user_profile (
  FUserID INTEGER NOT NULL,
  FSection TEXT NOT NULL COLLATE NOCASE,
  FKey TEXT NOT NULL COLLATE NOCASE,
  FValue TEXT NOT NULL,
  PRIMARY KEY (FUserID, FSection, FKey));
CREATE TABLE IF NOT EXISTS t_suite_account (
  FName TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS t_suite_item_tracking (
  FItemID INTEGER PRIMARY KEY,
  FTrackByNumber INTEGER NOT NULL DEFAULT 0);
)sql";
}

namespace {

std::optional<SuiteUser> FirstUser(const TextRows& rows) {
  if (rows.empty()) return std::nullopt;
  const auto& row = rows.front();
  SuiteUser user;
  user.id = std::stoi(row[0].value_or("0"));
  user.name = row[1].value_or("");
  user.all_rights = row[2].value_or("0") != "0";
  user.need_authorize = row[3].value_or("0") != "0";
  return user;
}

}  // namespace

std::optional<SuiteUser> SuiteStore::FindUser(const std::string& name) {
  return FirstUser(
      Query("select FUserID, FName, FAllRights, FNeedAuthorize from t_suite_user where FName = ?",
            {name}));
}

std::optional<SuiteUser> SuiteStore::FindUser(int32_t id) {
  return FirstUser(
      Query("select FUserID, FName, FAllRights, FNeedAuthorize from t_suite_user where FUserID = ?",
            {std::to_string(id)}));
}

bool SuiteStore::HasRight(int32_t user_id, int32_t object_type, int32_t object_id, int32_t right) {
  auto user = FindUser(user_id);
  if (!user) return false;
  if (user->all_rights) return true;
  return !Query(
              "select 1 from t_suite_right where FUserID = ? and FObjectType = ? and "
              "FObjectID = ? and FRight = ?",
              {std::to_string(user_id), std::to_string(object_type), std::to_string(object_id),
               std::to_string(right)})
              .empty();
}

std::string SuiteStore::AuthorizedItemClasses() {
  std::string list;
  for (const auto& row :
       Query("select FItemClassType from t_suite_auth_item_class order by FItemClassType", {})) {
    if (!list.empty()) list += ",";
    list += row[0].value_or("");
  }
  return list;
}

std::optional<std::string> SuiteStore::SystemProfile(const std::string& category,
                                                     const std::string& key) {
  auto rows = Query("select FValue from t_suite_system_profile where FCategory = ? and FKey = ?",
                    {category, key});
  if (rows.empty()) return std::nullopt;
  return rows.front()[0].value_or("");
}

std::string SuiteStore::UserProfile(int32_t user_id, const std::string& section,
                                    const std::string& key) {
  auto rows = Query(
      "select FValue from t_suite_user_profile where FUserID = ? and FSection = ? and FKey = ?",
      {std::to_string(user_id), section, key});
  return rows.empty() ? std::string() : rows.front()[0].value_or("");
}

void SuiteStore::SaveUserProfile(int32_t user_id, const std::string& section,
                                 const std::string& key, const std::string& value) {
  // An update, else an insert: the one form every suite database runs alike. Another host may
  // insert the same entry between the two; then the insert fails on the key and the update,
  // tried again, changes that host's row.
  const std::string user = std::to_string(user_id);
  auto update = [&] {
    return database_->Execute(
        "update t_suite_user_profile set FValue = ? where FUserID = ? and FSection = ? and "
        "FKey = ?",
        {value, user, section, key});
  };
  if (update() != 0) return;
  try {
    database_->Execute(
        "insert into t_suite_user_profile (FUserID, FSection, FKey, FValue) values (?, ?, ?, ?)",
        {user, section, key, value});
  } catch (const Error&) {
    if (update() == 0) throw;
  }
}

std::string SuiteStore::AccountName() {
  auto rows = Query("select FName from t_suite_account", {});
  return rows.empty() ? std::string() : rows.front()[0].value_or("");
}

bool SuiteStore::ItemTrackedByNumber(int32_t item_id) {
  auto rows = Query("select FTrackByNumber from t_suite_item_tracking where FItemID = ?",
                    {std::to_string(item_id)});
  return !rows.empty() && rows.front()[0].value_or("0") != "0";
}

}  // namespace qmz::suite
