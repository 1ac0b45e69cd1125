#include <gtest/gtest.h>

#include "qmz/components.h"
#include "qmz/containers.h"
#include "qmz/host.h"

namespace qmz {
namespace {

class Echo : public ClassInfo {
 public:
  RecordsetPtr GetData(const std::string&, const std::string& sql) override {
    auto r = std::make_shared<Recordset>(std::vector<std::string>{"sql"});
    r->AddRecord({sql});
    return r;
  }
};

TEST(ComponentRegistryTest, CreatesFreshComponentsAndFailsForUnknownOnes) {
  auto& registry = ComponentRegistry::Instance();
  int created = 0;
  registry.Register("Test.Echo", [&created] {
    ++created;
    return std::make_shared<Echo>();
  });
  auto a = CreateComponent<ClassInfo>("Test.Echo");
  auto b = CreateComponent<ClassInfo>("Test.Echo");
  EXPECT_NE(a, b);
  EXPECT_EQ(created, 2);
  EXPECT_EQ(a->GetData("", "x")->Value("sql").ToText(), "x");
  EXPECT_THROW(CreateComponent<SecurityInfo>("Test.Echo"), Error);  // lacks the interface
  std::vector<Variant> args;
  EXPECT_THROW(a->Invoke("Anything", args), Error);
  registry.Unregister("Test.Echo");
  EXPECT_FALSE(registry.IsRegistered("Test.Echo"));
  EXPECT_THROW(registry.Create("Test.Echo"), Error);
  registry.Register("Test.Null", [] { return ComponentPtr(); });
  EXPECT_THROW(registry.Create("Test.Null"), Error);
  registry.Unregister("Test.Null");
}

TEST(HostTest, PropertiesArePublishedByProcessIdAndThePointerNotifies) {
  Dictionary properties;
  uint32_t pid = CurrentProcessId();
  EXPECT_EQ(PublishedHostProperties(pid), nullptr);
  PublishHostProperties(pid, &properties);
  EXPECT_EQ(PublishedHostProperties(pid), &properties);
  EXPECT_EQ(PublishedHostProperties(pid + 1), nullptr);
  WithdrawHostProperties(pid);
  EXPECT_EQ(PublishedHostProperties(pid), nullptr);

  std::vector<int> seen;
  SetMousePointerListener([&seen](int p) { seen.push_back(p); });
  SetScreenMousePointer(kPointerHourglass);
  EXPECT_EQ(ScreenMousePointer(), 11);
  SetScreenMousePointer(kPointerDefault);
  SetMousePointerListener(nullptr);
  EXPECT_EQ(seen, (std::vector<int>{11, 0}));
}

}  // namespace
}  // namespace qmz
