#include "suite/middle_tier/suite_seed.h"

#include <string>

#include "qmz/error.h"
#include "suite/middle_tier/suite_store.h"

namespace qmz::suite {

namespace {

// Price rights codes the pickers ask for (right 32 on object type 15).
const int kPriceRightCodes[] = {900,  1000, 1100, 1110, 1120, 1130, 1140, 1150,
                                1160, 1170, 1180, 1200, 2000, 2010, 2020};

}  // namespace

void SeedSuiteTables(SqliteConnection& db, const std::vector<int>& tracked_items) {
  db.Exec(SuiteStore::Schema());
  std::string sql =
      "insert into t_suite_account (FName) values ('演示账套');"
      "insert into t_suite_user (FUserID, FName, FAllRights, FNeedAuthorize) values "
      "(1, 'administrator', 1, 0), (2, 'guest', 0, 0), (3, 'clerk', 0, 1);"
      "insert into t_suite_right (FUserID, FObjectType, FObjectID, FRight) values (3, 40, 800, 1);"
      "insert into t_suite_auth_item_class (FItemClassType) values (1), (5);"
      "insert into t_suite_system_profile (FCategory, FKey, FValue) values "
      "('IC', 'QuantityDigitCount', '0'), ('IC', 'PriceDigitCount', '2');";
  for (int code : kPriceRightCodes) {
    sql += "insert into t_suite_right (FUserID, FObjectType, FObjectID, FRight) values (3, 15, " +
           std::to_string(code) + ", 32);";
  }
  for (int item : tracked_items) {
    sql += "insert into t_suite_item_tracking (FItemID, FTrackByNumber) values (" +
           std::to_string(item) + ", 1);";
  }
  db.Exec("begin;" + sql + "commit;");
}

}  // namespace qmz::suite
