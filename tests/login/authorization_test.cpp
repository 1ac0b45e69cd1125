#include "login/authorization.h"

#include <gtest/gtest.h>

#include "support/fake_suite.h"

namespace qmz {
namespace {

using testing::FakeSuite;
using testing::OnFreshThread;
using testing::PublishedHostDictionary;

class AuthorizationTest : public ::testing::Test {
 protected:
  AuthorizationTest() {
    suite.shared_props["PropsString"] = "UserName=ann;UserID=16";
    suite.need_authorized = true;
    suite.auth_item_classes = "1,5,8";
  }
  FakeSuite suite;
};

TEST_F(AuthorizationTest, StockConditionForUser16) {
  PublishedHostDictionary host;
  OnFreshThread(
      [] { EXPECT_EQ(GetStockAuthFilter("b"), " And  CharIndex('16',b.FRightUserID)>0 "); });
  EXPECT_EQ(suite.CountCalls("NeedAutorized UserName=ann;UserID=16"), 1);
  EXPECT_EQ(suite.CountCalls("GetAuthItemClassList"), 1);  // cached in the host dictionary
  EXPECT_EQ(host.properties.Get("NeedAuthrize"), Variant(true));
  EXPECT_EQ(host.properties.Get("AuthrizeItemClassList").ToText(), "1,5,8");
}

TEST_F(AuthorizationTest, AskedOncePerHostProcessThroughTheDictionary) {
  PublishedHostDictionary host;
  OnFreshThread([] { EXPECT_TRUE(IsAuthorizeNeeded()); });
  // Another thread (a fresh flag) asks once more and writes the answer again; later calls on
  // that thread read the dictionary only.
  OnFreshThread([&] {
    EXPECT_TRUE(IsAuthorizeNeeded());
    EXPECT_TRUE(IsAuthorizeNeeded());
    EXPECT_TRUE(AuthorizationAskedOnThisThread());
  });
  EXPECT_EQ(suite.CountCalls("NeedAutorized"), 2);
  // A dictionary that lost the answer makes the thread ask again without resetting its flag.
  OnFreshThread([&] {
    EXPECT_TRUE(IsAuthorizeNeeded());
    host.properties.Set("NeedAuthrize", Variant());
    suite.need_authorized = false;
    EXPECT_FALSE(IsAuthorizeNeeded());
  });
  EXPECT_EQ(suite.CountCalls("NeedAutorized"), 4);
  EXPECT_EQ(host.properties.Get("NeedAuthrize"), Variant(false));
}

TEST_F(AuthorizationTest, NoDictionaryMeansNoConditionAndNoFailure) {
  OnFreshThread([] {
    EXPECT_FALSE(IsAuthorizeNeeded());
    EXPECT_FALSE(AuthorizationAskedOnThisThread());
    EXPECT_EQ(GetStockAuthFilter("b"), "");
  });
  EXPECT_EQ(suite.CountCalls("GetAuthItemClassList"), 0);
}

TEST_F(AuthorizationTest, NotNeededLeavesTheConditionAndSkipsTheParse) {
  PublishedHostDictionary host;
  suite.need_authorized = false;
  suite.shared_props["PropsString"] = "a=1;A=2";  // a parse would fail
  OnFreshThread([] {
    std::string condition = "x=1";
    Vector none;
    EXPECT_FALSE(BuildAuthFilter(none, condition));
    EXPECT_EQ(condition, "x=1");
    EXPECT_EQ(GetStockAuthFilter("b"), "");
  });
}

TEST_F(AuthorizationTest, DescriptorsMatchTablesInAnyCaseAndClassTypesAsSubstrings) {
  PublishedHostDictionary host;
  suite.auth_item_classes = "15";
  suite.shared_props["PropsString"] = "UserID=1";
  OnFreshThread([] {
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
    EXPECT_EQ(condition, " CharIndex('1',s.FRightUserID)>0  And  CharIndex('1',o.FRightUserID)>0 ");
  });
}

TEST_F(AuthorizationTest, FailuresOfTheItemClassListReachTheCaller) {
  PublishedHostDictionary host;
  suite.Remove(progid::kGLData);
  OnFreshThread([] { EXPECT_THROW(GetStockAuthFilter("b"), Error); });
}

}  // namespace
}  // namespace qmz
