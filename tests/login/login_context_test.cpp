#include "login/login_context.h"

#include <gtest/gtest.h>

#include "login/host_props.h"
#include "support/fake_suite.h"

namespace qmz {
namespace {

using testing::FakeSuite;
using testing::PublishedHostDictionary;

TEST(LoginContextTest, SharedPropertiesServeAnyKeyAskedTwice) {
  FakeSuite suite;
  suite.shared_props["PropsString"] = "UserID=16;UserName=ann";
  suite.shared_props["Custom"] = 5;
  EXPECT_EQ(GetPropsString(), "UserID=16;UserName=ann");
  EXPECT_EQ(GetLoginProperty("Custom").ToInt32(), 5);
  std::string pid = std::to_string(CurrentProcessId());
  EXPECT_EQ(suite.CountCalls("GetProperty " + pid + " Custom"), 2);
  EXPECT_EQ(suite.CountCalls("GetItem " + pid + " IsOuterLogin"), 2);
}

TEST(LoginContextTest, OuterLoginServesOnlyTheFourteenKeys) {
  FakeSuite suite;
  suite.outer_login = 1;
  suite.cache_items["UserName"] = "outer";
  suite.cache_items["QMZLogin"] = "yes";
  suite.cache_items["Custom"] = "known to the facade";
  suite.cache_items["username"] = "wrong case";
  suite.shared_props["UserName"] = "shared";
  EXPECT_EQ(GetLoginProperty("UserName").ToText(), "outer");
  EXPECT_EQ(GetLoginProperty("QMZLogin").ToText(), "yes");
  EXPECT_TRUE(GetLoginProperty("Custom").IsEmpty());
  EXPECT_TRUE(GetLoginProperty("username").IsEmpty());  // exact case
  EXPECT_EQ(suite.CountCalls("GetItem " + std::to_string(CurrentProcessId()) + " Custom"), 0);
  EXPECT_EQ(suite.CountCalls("GetProperty"), 0);

  suite.outer_login = 2;  // neither inside nor outside
  EXPECT_TRUE(GetLoginProperty("UserName").IsEmpty());
}

TEST(LoginContextTest, MissingFacadeFallsBackAndNothingFails) {
  FakeSuite suite;
  suite.shared_props["PropsString"] = "UserID=3";
  suite.Remove(progid::kCacheFacade);
  EXPECT_EQ(GetPropsString(), "UserID=3");
  suite.Remove(progid::kShareProps);
  EXPECT_EQ(GetPropsString(), "");
  EXPECT_TRUE(GetLoginProperty("UserID").IsEmpty());
}

TEST(HostPropsTest, DefaultsWithoutDictionaryAndReadersWithOne) {
  EXPECT_TRUE(IsICClosed());
  EXPECT_EQ(GetAppType(), 2);
  EXPECT_EQ(GetIndustryType(), 0);
  EXPECT_EQ(GetHostProp("X", "d").ToText(), "d");
  EXPECT_TRUE(GetHostProp("X").IsEmpty());
  EXPECT_THROW(SetHostProp("X", 1), Error);

  PublishedHostDictionary host;
  host.properties.Set("ICClosed", false);
  host.properties.Set("AppType", "4");
  host.properties.Set("IndustryType", 2);
  EXPECT_FALSE(IsICClosed());
  EXPECT_EQ(GetAppType(), 4);
  EXPECT_EQ(GetIndustryType(), 2);
  SetHostProp("X", "written");
  EXPECT_EQ(host.properties.Get("X").ToText(), "written");
  EXPECT_EQ(GetHostProp("Absent", 9).ToInt32(), 9);
}

}  // namespace
}  // namespace qmz
