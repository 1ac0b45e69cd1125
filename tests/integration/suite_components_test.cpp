// The suite's components as the library reaches them: login cache, rights, profiles, settings.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/commands.h"
#include "integration/demo_suite.h"
#include "login/authorization.h"
#include "login/installation.h"
#include "login/login_context.h"
#include "login/user_profile.h"
#include "qmz/components.h"
#include "qmz/suite.h"

namespace qmz::testing {
namespace {

using SuiteComponentsTest = DemoSuite;

TEST_F(SuiteComponentsTest, LoginCacheServesTheLoggedInUser) {
  LogInAs("clerk");
  EXPECT_EQ(GetLoginProperty("UserName").ToText(), "clerk");
  EXPECT_EQ(GetLoginProperty("UserID").ToInt32(), 3);
  EXPECT_EQ(GetLoginProperty("AcctName").ToText(), "演示账套");
  EXPECT_EQ(GetPropsString(), "UserName=clerk;UserID=3;AcctName={演示账套};Language=chs");
  EXPECT_EQ(GetLoginProperty("Language").ToText(), "chs");

  // A host that logged in from outside sees only the outer-login keys.
  LogIn("clerk", true);
  EXPECT_EQ(GetLoginProperty("UserName").ToText(), "clerk");
  EXPECT_TRUE(GetLoginProperty("Language").ToText().empty());

  EXPECT_THROW(LogIn("nobody"), Error);
  EXPECT_THROW(OpenSuite(Folder() + "/missing.db"), Error);
}

TEST_F(SuiteComponentsTest, RightsFollowTheUser) {
  auto security = CreateComponent<SecurityInfo>(progid::kSecurityInfo);
  auto check = [&](const char* user, int32_t type, int32_t id, int32_t right) {
    LogIn(user);
    return security->AccessCheck(GetPropsString(), type, id, right, false, "").ToBool();
  };
  EXPECT_TRUE(check("administrator", 15, 1100, 32));
  EXPECT_TRUE(check("administrator", 99, 1, 1));
  EXPECT_FALSE(check("guest", 15, 1100, 32));
  EXPECT_FALSE(check("guest", 40, 800, 1));
  EXPECT_TRUE(check("clerk", 15, 1100, 32));
  EXPECT_TRUE(check("clerk", 40, 800, 1));
  EXPECT_FALSE(check("clerk", 40, 801, 1));

  LogIn("clerk");
  EXPECT_TRUE(security->NeedAutorized(GetPropsString()).ToBool());
  LogIn("administrator");
  EXPECT_FALSE(security->NeedAutorized(GetPropsString()).ToBool());
  LogInAs("clerk");
  OnNewThread([] { EXPECT_EQ(GetAuthItemClasses(), "1,5"); });
}

TEST_F(SuiteComponentsTest, ProfilesRoundTripForTheLoggedInUserOnly) {
  LogIn("clerk");
  SaveColWidths("1200|800|");
  auto widths = LoadColWidths();
  ASSERT_TRUE(widths);
  EXPECT_EQ(widths->Count(), 3);
  EXPECT_EQ(widths->Get("Col0").ToText(), "1200");
  EXPECT_EQ(widths->Get("Col1").ToText(), "800");
  EXPECT_EQ(widths->Get("Col2").ToText(), "");
  SaveUserProfile("Picker", "Height", "4000");
  SaveUserProfile("Picker", "Height", "4500");  // a second save replaces the first
  EXPECT_EQ(GetUserProfile("Picker", "Height"), "4500");

  LogIn("guest");
  EXPECT_EQ(LoadColWidths()->Count(), 0);
  EXPECT_EQ(GetUserProfile("Picker", "Height"), "");
  LogIn("clerk");
  EXPECT_EQ(GetUserProfile("Picker", "Height"), "4500");

  EXPECT_EQ(GetSystemProfile("PriceDigitCount", "IC", "4"), "2");
  EXPECT_EQ(GetSystemProfile("NoSuchKey", "IC", "4"), "4");
  // Without the components: the default, and a failure to read the saved widths.
  ComponentRegistry::Instance().Unregister(progid::kSystemProfile);
  EXPECT_EQ(GetSystemProfile("PriceDigitCount", "IC", "4"), "4");
  ComponentRegistry::Instance().Unregister(progid::kUserProfileInfo);
  EXPECT_THROW(LoadColWidths(), Error);
}

TEST_F(SuiteComponentsTest, DemoMachineSettingsNameTheInstallFolder) {
  std::string folder = Folder() + "/settings";
  std::ostringstream out, err;
  cli::Options options;
  options.db = folder + "/demo.db";
  options.demo = true;
  std::filesystem::create_directories(folder);
  ASSERT_EQ(cli::RunOperation("init-db", options, out, err), 0) << err.str();
  ::setenv("QMZ_MACHINE_SETTINGS", (folder + "/machine.ini").c_str(), 1);
  EXPECT_EQ(GetInstallPath(), folder + "/");
  host.Set("AppType", 4);
  host.Set("IndustryType", 2);
  EXPECT_EQ(GetProductRegKey(), "SOFTWARE\\Vantrel\\COMMERCE\\Pennet");
  EXPECT_EQ(GetInstallPath(), folder + "/");
  ::unsetenv("QMZ_MACHINE_SETTINGS");
}

}  // namespace
}  // namespace qmz::testing
