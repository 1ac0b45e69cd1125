#include "support/fake_suite.h"

namespace qmz::testing {

namespace {

// A fake of one interface, reporting to the suite.
template <class Interface>
struct Fake : Interface {
  explicit Fake(FakeSuite& s) : suite(s) {}
  template <class Map>
  static Variant Find(const Map& map, const std::string& key, Variant missing = Variant()) {
    auto hit = map.find(key);
    return hit == map.end() ? missing : Variant(hit->second);
  }
  FakeSuite& suite;
};

struct FakeClassInfo : Fake<ClassInfo> {
  using Fake::Fake;
  RecordsetPtr GetData(const std::string& props, const std::string& sql) override {
    suite.calls.push_back("GetData " + sql);
    suite.sql_sent.push_back(sql);
    if (suite.get_data_fails) throw Error("GetData failed");
    if (suite.data) return suite.data(sql);
    return std::make_shared<Recordset>(std::vector<std::string>{});
  }
};

struct FakeCacheFacade : Fake<CacheFacade> {
  using Fake::Fake;
  Variant GetItem(int32_t process_id, const std::string& key) override {
    suite.calls.push_back("GetItem " + std::to_string(process_id) + " " + key);
    return key == "IsOuterLogin" ? suite.outer_login : Find(suite.cache_items, key);
  }
};

struct FakeShareProps : Fake<ShareProps> {
  using Fake::Fake;
  Variant GetProperty(int32_t process_id, const std::string& key) override {
    suite.calls.push_back("GetProperty " + std::to_string(process_id) + " " + key);
    return Find(suite.shared_props, key);
  }
};

struct FakeSecurityInfo : Fake<SecurityInfo> {
  using Fake::Fake;
  Variant NeedAutorized(const std::string& props) override {
    suite.calls.push_back("NeedAutorized " + props);
    return suite.need_authorized;
  }
  Variant AccessCheck(const std::string& props, int32_t a, int32_t b, int32_t c, bool flag,
                      const std::string& text) override {
    suite.calls.push_back("AccessCheck " + std::to_string(a) + " " + std::to_string(b) + " " +
                          std::to_string(c) + (flag ? " true '" : " false '") + text + "'");
    suite.access_checks.push_back({a, b, c});
    return suite.access;
  }
};

struct FakeGLData : Fake<GLData> {
  using Fake::Fake;
  Variant GetAuthItemClassList() override {
    suite.calls.push_back("GetAuthItemClassList");
    return suite.auth_item_classes;
  }
};

struct FakeSystemProfile : Fake<SystemProfile> {
  using Fake::Fake;
  Variant GetProfile(const std::string& props, const std::string& category,
                     const std::string& key) override {
    suite.calls.push_back("GetProfile " + category + " " + key);
    return Find(suite.system_profile, category + "|" + key, "");
  }
};

struct FakeUserProfileInfo : Fake<ClassUserProfileInfo> {
  using Fake::Fake;
  Variant GetUserProfile(const std::string& props, const std::string& section,
                         const std::string& key) override {
    suite.calls.push_back("GetUserProfile " + section + " " + key);
    return Find(suite.user_profile, section + "|" + key, std::string());
  }
};

struct FakeUserProfileUpdate : Fake<ClassUserProfileUpdate> {
  using Fake::Fake;
  void SaveUserProfile(const std::string& props, const std::string& section, const std::string& key,
                       const std::string& text) override {
    suite.calls.push_back("SaveUserProfile " + section + " " + key + " " + text);
    suite.user_profile[section + "|" + key] = text;
  }
};

struct FakeChameleon : Fake<Chameleon> {
  using Fake::Fake;
  void Apply(const ObjectPtr&) override { suite.calls.push_back("Apply skin"); }
};

template <class Fake>
void RegisterFake(FakeSuite& suite, const std::string& prog_id) {
  suite.registered.push_back(prog_id);
  ComponentRegistry::Instance().Register(prog_id, [&suite, prog_id]() -> ComponentPtr {
    suite.calls.push_back("create " + prog_id);
    return std::make_shared<Fake>(suite);
  });
}

}  // namespace

FakeSuite::FakeSuite() {
  RegisterFake<FakeClassInfo>(*this, progid::kClassInfo);
  RegisterFake<FakeCacheFacade>(*this, progid::kCacheFacade);
  RegisterFake<FakeShareProps>(*this, progid::kShareProps);
  RegisterFake<FakeSecurityInfo>(*this, progid::kSecurityInfo);
  RegisterFake<FakeGLData>(*this, progid::kGLData);
  RegisterFake<FakeSystemProfile>(*this, progid::kSystemProfile);
  RegisterFake<FakeUserProfileInfo>(*this, progid::kUserProfileInfo);
  RegisterFake<FakeUserProfileUpdate>(*this, progid::kUserProfileUpdate);
  RegisterFake<FakeChameleon>(*this, progid::kChameleon);
}

FakeSuite::~FakeSuite() {
  for (const std::string& id : registered) ComponentRegistry::Instance().Unregister(id);
}

void FakeSuite::Remove(const std::string& prog_id) {
  ComponentRegistry::Instance().Unregister(prog_id);
}

int FakeSuite::CountCalls(const std::string& prefix) const {
  return static_cast<int>(CallsStartingWith(prefix).size());
}

std::vector<std::string> FakeSuite::CallsStartingWith(const std::string& prefix) const {
  std::vector<std::string> hits;
  for (const std::string& call : calls) {
    if (call.rfind(prefix, 0) == 0) hits.push_back(call);
  }
  return hits;
}

RecordsetPtr MakeRecordset(std::vector<std::string> fields,
                           std::vector<std::vector<Variant>> rows) {
  auto records = std::make_shared<Recordset>(std::move(fields));
  for (auto& row : rows) records->AddRecord(std::move(row));
  return records;
}

}  // namespace qmz::testing
