#include "support/fake_suite.h"

namespace qmz::testing {

namespace {

const std::vector<std::string>& FakedProgIds() {
  static const std::vector<std::string> ids = {
      progid::kClassInfo,     progid::kCacheFacade,     progid::kShareProps,
      progid::kSecurityInfo,  progid::kGLData,          progid::kItemInfo,
      progid::kSystemProfile, progid::kUserProfileInfo, progid::kUserProfileUpdate, progid::kChameleon};
  return ids;
}

class FakeClassInfo : public ClassInfo {
 public:
  explicit FakeClassInfo(FakeSuite& suite) : suite_(suite) {}
  RecordsetPtr GetData(const std::string& props, const std::string& sql) override {
    suite_.calls.push_back("GetData " + sql);
    suite_.sql_sent.push_back(sql);
    suite_.props_sent.push_back(props);
    if (suite_.get_data_fails) throw Error("GetData failed");
    if (suite_.data) return suite_.data(sql);
    return std::make_shared<Recordset>(std::vector<std::string>{});
  }

 private:
  FakeSuite& suite_;
};

class FakeCacheFacade : public CacheFacade {
 public:
  explicit FakeCacheFacade(FakeSuite& suite) : suite_(suite) {}
  Variant GetItem(int32_t process_id, const std::string& key) override {
    suite_.calls.push_back("GetItem " + std::to_string(process_id) + " " + key);
    if (key == "IsOuterLogin") return suite_.outer_login;
    auto hit = suite_.cache_items.find(key);
    return hit == suite_.cache_items.end() ? Variant() : hit->second;
  }

 private:
  FakeSuite& suite_;
};

class FakeShareProps : public ShareProps {
 public:
  explicit FakeShareProps(FakeSuite& suite) : suite_(suite) {}
  Variant GetProperty(int32_t process_id, const std::string& key) override {
    suite_.calls.push_back("GetProperty " + std::to_string(process_id) + " " + key);
    auto hit = suite_.shared_props.find(key);
    return hit == suite_.shared_props.end() ? Variant() : hit->second;
  }

 private:
  FakeSuite& suite_;
};

class FakeSecurityInfo : public SecurityInfo {
 public:
  explicit FakeSecurityInfo(FakeSuite& suite) : suite_(suite) {}
  Variant NeedAutorized(const std::string& props) override {
    suite_.calls.push_back("NeedAutorized " + props);
    return suite_.need_authorized;
  }
  Variant AccessCheck(const std::string& props, int32_t a, int32_t b, int32_t c, bool flag,
                      const std::string& text) override {
    suite_.calls.push_back("AccessCheck " + std::to_string(a) + " " + std::to_string(b) + " " +
                           std::to_string(c) + (flag ? " true '" : " false '") + text + "'");
    suite_.access_checks.push_back({a, b, c});
    return suite_.access;
  }

 private:
  FakeSuite& suite_;
};

class FakeGLData : public GLData {
 public:
  explicit FakeGLData(FakeSuite& suite) : suite_(suite) {}
  Variant GetAuthItemClassList() override {
    suite_.calls.push_back("GetAuthItemClassList");
    return suite_.auth_item_classes;
  }

 private:
  FakeSuite& suite_;
};

class FakeItemInfo : public ItemInfo {
 public:
  explicit FakeItemInfo(FakeSuite& suite) : suite_(suite) {}
  Variant ISBatchManagerByNoTrack80(const std::string& props, int32_t item_id) override {
    suite_.calls.push_back("ISBatchManagerByNoTrack80 " + std::to_string(item_id));
    return suite_.batch_tracked;
  }

 private:
  FakeSuite& suite_;
};

class FakeSystemProfile : public SystemProfile {
 public:
  explicit FakeSystemProfile(FakeSuite& suite) : suite_(suite) {}
  Variant GetProfile(const std::string& props, const std::string& category,
                     const std::string& key) override {
    suite_.calls.push_back("GetProfile " + category + " " + key);
    auto hit = suite_.system_profile.find(category + "|" + key);
    return hit == suite_.system_profile.end() ? Variant("") : hit->second;
  }

 private:
  FakeSuite& suite_;
};

class FakeUserProfileInfo : public ClassUserProfileInfo {
 public:
  explicit FakeUserProfileInfo(FakeSuite& suite) : suite_(suite) {}
  Variant GetUserProfile(const std::string& props, const std::string& section,
                         const std::string& key) override {
    suite_.calls.push_back("GetUserProfile " + section + " " + key);
    auto hit = suite_.user_profile.find(section + "|" + key);
    return hit == suite_.user_profile.end() ? std::string() : hit->second;
  }

 private:
  FakeSuite& suite_;
};

class FakeUserProfileUpdate : public ClassUserProfileUpdate {
 public:
  explicit FakeUserProfileUpdate(FakeSuite& suite) : suite_(suite) {}
  void SaveUserProfile(const std::string& props, const std::string& section, const std::string& key,
                       const std::string& text) override {
    suite_.calls.push_back("SaveUserProfile " + section + " " + key + " " + text);
    suite_.user_profile[section + "|" + key] = text;
  }

 private:
  FakeSuite& suite_;
};

class FakeChameleon : public Chameleon {
 public:
  explicit FakeChameleon(FakeSuite& suite) : suite_(suite) {}
  void Apply(const ObjectPtr&) override { suite_.calls.push_back("Apply skin"); }

 private:
  FakeSuite& suite_;
};

template <class Fake>
void RegisterFake(FakeSuite& suite, const std::string& prog_id) {
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
  RegisterFake<FakeItemInfo>(*this, progid::kItemInfo);
  RegisterFake<FakeSystemProfile>(*this, progid::kSystemProfile);
  RegisterFake<FakeUserProfileInfo>(*this, progid::kUserProfileInfo);
  RegisterFake<FakeUserProfileUpdate>(*this, progid::kUserProfileUpdate);
  RegisterFake<FakeChameleon>(*this, progid::kChameleon);
}

FakeSuite::~FakeSuite() {
  for (const std::string& id : FakedProgIds()) ComponentRegistry::Instance().Unregister(id);
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
