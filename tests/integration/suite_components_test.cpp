// The suite's components as the library reaches them: login cache, rights, profiles, settings.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "integration/demo_suite.h"
#include "login/authorization.h"
#include "login/installation.h"
#include "login/login_context.h"
#include "login/props_parser.h"
#include "login/user_profile.h"
#include "qmz/components.h"
#include "qmz/host.h"
#include "qmz/suite.h"
#include "suite/middle_tier/login_cache.h"

namespace qmz::testing {
namespace {

// A cache facade that calls the login neither inner (0) nor outer (1).
class UndecidedFacade : public CacheFacade {
 public:
  Variant GetItem(int32_t, const std::string&) override { return 2; }
};

using SuiteComponentsTest = DemoSuite;

TEST_F(SuiteComponentsTest, LoginCacheServesTheLoggedInUser) {
  LogIn("guest");  // nothing is cached
  EXPECT_EQ(GetLoginProperty("UserName").ToText(), "guest");
  auto& registry = ComponentRegistry::Instance();
  const ComponentFactory shared = registry.Factory(progid::kShareProps);

  // A host that logged in from outside reads the facade, and only the outer-login keys.
  LogIn("clerk", true);
  registry.Unregister(progid::kShareProps);
  EXPECT_EQ(GetLoginProperty("UserName").ToText(), "clerk");
  EXPECT_TRUE(GetLoginProperty("Language").IsEmpty());
  registry.Register(progid::kCacheFacade, [] { return std::make_shared<UndecidedFacade>(); });
  registry.Register(progid::kShareProps, shared);
  EXPECT_TRUE(GetLoginProperty("UserName").IsEmpty());
  // Without the facade the login counts as inner; without the shared properties too, nothing
  // is known and nothing fails.
  registry.Unregister(progid::kCacheFacade);
  EXPECT_EQ(GetLoginProperty("Language").ToText(), "chs");
  registry.Unregister(progid::kShareProps);
  EXPECT_EQ(GetPropsString(), "");
  // The suite reads the user from the property string as the login reads it: a braced value
  // is one value, whatever it holds.
  EXPECT_EQ(suite::UserIdFromProps("Note={x;UserID=9};UserID = 5"), 5);
  EXPECT_THROW(suite::UserIdFromProps("=1;UserID=5"), Error);
}

TEST_F(SuiteComponentsTest, DataAuthorisationIsAskedOncePerThreadAndKeptForTheHost) {
  LogInAs("clerk");
  OnNewThread([&] {
    EXPECT_EQ(GetStockAuthFilter("b"), " And  CharIndex('3',b.FRightUserID)>0 ");
    EXPECT_TRUE(AuthorizationAskedOnThisThread());
    // The thread reads both answers from the host's dictionary now, for whoever is logged in.
    LogIn("administrator");
    ComponentRegistry::Instance().Unregister(progid::kGLData);
    EXPECT_EQ(GetStockAuthFilter("b"), " And  CharIndex('1',b.FRightUserID)>0 ");
  });
  EXPECT_EQ(host.Get("NeedAuthrize"), Variant(true));
  EXPECT_EQ(host.Get("AuthrizeItemClassList").ToText(), "1,5");
  // A fresh thread asks once more and writes its answer; one that lost it asks again.
  OnNewThread([&] {
    EXPECT_FALSE(IsAuthorizeNeeded());
    LogIn("clerk");
    EXPECT_FALSE(IsAuthorizeNeeded());
    host.Set("NeedAuthrize", Variant());
    EXPECT_TRUE(IsAuthorizeNeeded());
  });
  EXPECT_EQ(host.Get("NeedAuthrize"), Variant(true));
  // Without an answer for the host the item classes' failure reaches the caller.
  LogInAs("clerk");
  OnNewThread([] { EXPECT_THROW(GetStockAuthFilter("b"), Error); });
  // Without a dictionary there is no condition, no failure, and the thread has not asked.
  WithdrawHostProperties(CurrentProcessId());
  OnNewThread([] {
    EXPECT_FALSE(IsAuthorizeNeeded());
    EXPECT_FALSE(AuthorizationAskedOnThisThread());
    EXPECT_EQ(GetStockAuthFilter("b"), "");
  });
}

TEST_F(SuiteComponentsTest, AuthorisationConditionsForTheTablesOfItsClasses) {
  OnNewThread([] {  // the administrator needs none: the condition stays, nothing is parsed
    ParseProps("UserID=99");
    std::string condition = "x=1";
    EXPECT_FALSE(BuildAuthFilter(Vector(), condition));
    EXPECT_EQ(condition, "x=1");
    EXPECT_EQ(GetStockAuthFilter("b"), "");
    EXPECT_EQ(GetParsedProp("UserID"), "99");
  });
  Exec("delete from t_suite_auth_item_class; insert into t_suite_auth_item_class values (15);");
  LogInAs("clerk");
  OnNewThread([] {
    Vector descriptors;
    auto add = [&descriptors](const char* table, const char* alias, const char* type) {
      auto d = std::make_shared<Dictionary>();
      d->Set("DataTable", table);
      d->Set("DataTableAs", alias);
      d->Set("ItemClassType", type);
      descriptors.Add(d);
    };
    add("T_STOCK", "s", "5");          // 5 occurs in 15
    add("t_icitem", "i", "1");         // not a table under row authorisation
    add("t_organization", "o", "15");  // any case
    add("t_supplier", "p", "8");       // not in the list
    std::string condition;
    EXPECT_TRUE(BuildAuthFilter(descriptors, condition));
    EXPECT_EQ(condition, " CharIndex('3',s.FRightUserID)>0  And  CharIndex('3',o.FRightUserID)>0 ");
  });
}

TEST_F(SuiteComponentsTest, RightsFollowTheUser) {
  // The base-data query right of the demo; the price rights are in the pickers' tests.
  auto security = CreateComponent<SecurityInfo>(progid::kSecurityInfo);
  std::string answers;
  for (const char* user : {"guest", "clerk"}) {
    LogIn(user);
    answers += security->AccessCheck(GetPropsString(), 40, 800, 1, false, "").ToBool() ? "1" : "0";
  }
  EXPECT_EQ(answers, "01");
}

TEST_F(SuiteComponentsTest, ProfilesRoundTripForTheLoggedInUserOnly) {
  LogIn("clerk");
  SaveColWidths("1200|800|");
  auto widths = LoadColWidths();
  ASSERT_TRUE(widths);
  EXPECT_EQ(widths->Count(), 3);  // the trailing bar is an empty width
  EXPECT_EQ(widths->Get("Col2").ToText(), "");
  SaveUserProfile("Picker", "Height", "4500");

  LogIn("guest");
  EXPECT_EQ(LoadColWidths()->Count(), 0);
  EXPECT_EQ(GetUserProfile("Picker", "Height"), "");
  LogIn("clerk");
  EXPECT_EQ(GetUserProfile("Picker", "Height"), "4500");
  if (Target().rfind("odbc:", 0) != 0) {
    // Beside a read copy that lags, a setting reads back from where it was saved; a read copy
    // that cannot be opened leaves the reads to the suite's own file, with a warning.
    const std::string copy = Folder() + "/read-copy.db";
    std::filesystem::copy_file(DatabasePath(), copy,
                               std::filesystem::copy_options::overwrite_existing);
    OpenSuite(Target(), copy);
    LogIn("clerk");
    SaveUserProfile("Picker", "Height", "4800");
    EXPECT_EQ(GetUserProfile("Picker", "Height"), "4800");
    OpenSuite(Target(), Folder() + "/no-such-copy.db");
    EXPECT_THAT(LastWarning(), ::testing::StartsWith("The read database cannot be reached; the "
                                                     "primary answered instead: "));
    LogIn("clerk");
    EXPECT_EQ(GetUserProfile("Picker", "Height"), "4800");
    OpenSuite(Target());
    LogIn("clerk");
  }

  EXPECT_EQ(GetSystemProfile("NoSuchKey", "IC", "4"), "4");
  // Without the components: the default, and a failure to read the saved widths.
  ComponentRegistry::Instance().Unregister(progid::kSystemProfile);
  EXPECT_EQ(GetSystemProfile("PriceDigitCount", "IC", "4"), "4");
  ComponentRegistry::Instance().Unregister(progid::kUserProfileInfo);
  EXPECT_THROW(LoadColWidths(), Error);
}

}  // namespace
}  // namespace qmz::testing
