// The suite's components behind their ProgIDs, and the set-up of a suite session.
#include <memory>

#include "platform/ini_file.h"
#include "qmz/components.h"
#include "qmz/host.h"
#include "qmz/suite.h"
#include "suite/middle_tier/class_info.h"
#include "suite/middle_tier/login_cache.h"
#include "suite/middle_tier/suite_store.h"
#include "suite/server/odbc_pool.h"
#include "suite/sqlite/sqlite_pool.h"

namespace qmz {

namespace suite {
namespace {

// The suite's own tables where it reads them (a standby when the host named one, the primary
// when that standby cannot be reached).
SuiteStore OpenStore() {
  return SuiteStore(OpenReadDatabase());
}

// The same where it writes them: also where it reads what it wrote (a user's profile), which a
// standby that replays late would answer as it was before the last save.
SuiteStore OpenPrimaryStore() {
  return SuiteStore(ProcessLoginCache().database_path);
}

Variant CachedProperty(int32_t process_id, const std::string& key) {
  if (static_cast<uint32_t>(process_id) != CurrentProcessId()) return {};
  const auto& properties = ProcessLoginCache().properties;
  auto hit = properties.find(key);
  return hit == properties.end() ? Variant() : hit->second;
}

class SuiteCacheFacade : public CacheFacade {
 public:
  Variant GetItem(int32_t process_id, const std::string& key) override {
    if (key == "IsOuterLogin") return ProcessLoginCache().outer_login ? 1 : 0;
    return CachedProperty(process_id, key);
  }
};

class SuiteShareProps : public ShareProps {
 public:
  Variant GetProperty(int32_t process_id, const std::string& key) override {
    return CachedProperty(process_id, key);
  }
};

class SuiteSecurityInfo : public SecurityInfo {
 public:
  Variant NeedAutorized(const std::string& props) override {
    auto user = OpenStore().FindUser(UserIdFromProps(props));
    return user && user->need_authorize;
  }
  Variant AccessCheck(const std::string& props, int32_t object_type, int32_t object_id,
                      int32_t right, bool, const std::string&) override {
    return OpenStore().HasRight(UserIdFromProps(props), object_type, object_id, right);
  }
};

class SuiteGLData : public GLData {
 public:
  Variant GetAuthItemClassList() override { return OpenStore().AuthorizedItemClasses(); }
};

class SuiteItemInfo : public ItemInfo {
 public:
  Variant ISBatchManagerByNoTrack80(const std::string&, int32_t item_id) override {
    return OpenStore().ItemTrackedByNumber(item_id);
  }
};

class SuiteSystemProfile : public SystemProfile {
 public:
  Variant GetProfile(const std::string&, const std::string& category,
                     const std::string& key) override {
    // A setting the profile does not hold reads as the database's null.
    std::optional<std::string> value = OpenStore().SystemProfile(category, key);
    return value ? Variant(*value) : Variant::Null();
  }
};

class SuiteUserProfileInfo : public ClassUserProfileInfo {
 public:
  Variant GetUserProfile(const std::string& props, const std::string& section,
                         const std::string& key) override {
    return OpenPrimaryStore().UserProfile(UserIdFromProps(props), section, key);
  }
};

class SuiteUserProfileUpdate : public ClassUserProfileUpdate {
 public:
  void SaveUserProfile(const std::string& props, const std::string& section, const std::string& key,
                       const std::string& text) override {
    // A failed save (a server lost in a failover, a dropped connection) is tried once more, on
    // a new connection: the failed one is never given back. What still fails stays the caller's
    // to ignore, and is kept for a host that asks.
    const auto save = [&] {
      OpenPrimaryStore().SaveUserProfile(UserIdFromProps(props), section, key, text);
    };
    try {
      save();
      return;
    } catch (const Error&) {
    }
    try {
      save();
    } catch (const Error& e) {
      ProcessLoginCache().last_warning =
          "The user's setting " + section + "/" + key + " was not saved: " + e.what();
      throw;
    }
  }
};

// The suite's form skin keeps the toolkit's look: it accepts the control and changes nothing.
class SuiteChameleon : public Chameleon {
 public:
  void Apply(const ObjectPtr&) override {}
};

template <class C>
void RegisterComponent(const char* prog_id) {
  ComponentRegistry::Instance().Register(prog_id, [] { return std::make_shared<C>(); });
}

}  // namespace
}  // namespace suite

void OpenSuite(const std::string& database_target, const std::string& read_target) {
  const std::string& reads = read_target.empty() ? database_target : read_target;
  suite::SuiteStore probe(database_target);  // fails for a missing file or an unreachable server
  probe.AccountName();                       // fails for a file that is no suite database
  suite::LoginCache& cache = suite::ProcessLoginCache();
  cache.database_path = database_target;
  cache.read_path = reads;
  cache.last_warning.clear();
  suite::SetSuiteDatabase(reads, database_target);
  if (reads != database_target) {
    // A read database that is no suite fails here; one that cannot be reached leaves the reads
    // to the primary, with a warning, until it answers again.
    suite::SuiteStore(suite::OpenReadDatabase()).AccountName();
  }
  using namespace suite;
  RegisterComponent<SuiteClassInfo>(progid::kClassInfo);
  RegisterComponent<SuiteCacheFacade>(progid::kCacheFacade);
  RegisterComponent<SuiteShareProps>(progid::kShareProps);
  RegisterComponent<SuiteSecurityInfo>(progid::kSecurityInfo);
  RegisterComponent<SuiteGLData>(progid::kGLData);
  RegisterComponent<SuiteItemInfo>(progid::kItemInfo);
  RegisterComponent<SuiteSystemProfile>(progid::kSystemProfile);
  RegisterComponent<SuiteUserProfileInfo>(progid::kUserProfileInfo);
  RegisterComponent<SuiteUserProfileUpdate>(progid::kUserProfileUpdate);
  RegisterComponent<SuiteChameleon>(progid::kChameleon);
  RegisterIniFileComponent();
}

std::string LastWarning() {
  return suite::ProcessLoginCache().last_warning;
}

void CloseSuite() {
  suite::CloseKeptSqliteConnections();
  suite::CloseIdleConnections();
}

void LogIn(const std::string& user_name, bool outer_login) {
  suite::LoginCache& cache = suite::ProcessLoginCache();
  if (cache.database_path.empty()) throw Error("LogIn before OpenSuite");
  suite::SuiteStore store(suite::OpenReadDatabase());
  auto user = store.FindUser(user_name);
  if (!user) throw Error("Unknown user of the suite: " + user_name);
  std::string account = store.AccountName();
  cache.outer_login = outer_login;
  cache.properties.clear();
  cache.properties["UserName"] = user->name;
  cache.properties["UserID"] = user->id;
  cache.properties["AcctName"] = account;
  cache.properties["LogStatus"] = 1;
  cache.properties["MachineName"] = "localhost";
  cache.properties["Language"] = "chs";
  cache.properties["PropsString"] = "UserName=" + user->name +
                                    ";UserID=" + std::to_string(user->id) + ";AcctName={" +
                                    account + "};Language=chs";
}

}  // namespace qmz
