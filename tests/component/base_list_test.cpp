#include "qmz/baselist.h"

#include <gtest/gtest.h>

#include "component/inventory_sql.h"
#include "list_services/list_settings.h"
#include "qmz/containers.h"
#include "support/fake_suite.h"

namespace qmz {
namespace {

using testing::FakeSuite;
using testing::MakeRecordset;
using testing::OnFreshThread;
using testing::PublishedHostDictionary;

class BaseListTest : public ::testing::Test {
 protected:
  BaseListTest() {
    suite.shared_props["PropsString"] = "UserName=ann;UserID=16";
    suite.auth_item_classes = "5";
  }
  std::string LastSql() const { return suite.sql_sent.empty() ? "" : suite.sql_sent.back(); }

  FakeSuite suite;
  PublishedHostDictionary host;
};

TEST_F(BaseListTest, GetBatchSqlClosedWithEveryCondition) {
  suite.need_authorized = true;
  OnFreshThread([&] {
    BaseList list;
    list.GetBatch(5, "A'B", 3, 7, 1020004);
  });
  EXPECT_EQ(LastSql(), testing::kBatchHeadClosed +
                           " Where a.FitemID = 5 and  b.FTypeID <> 502  And  "
                           "CharIndex('16',b.FRightUserID)>0  and a.FBatchNo='A''B'"
                           " and a.FStockID=3 and a.FAuxPropID=7" +
                           testing::kBatchGroupClosed);
  EXPECT_EQ(suite.props_sent.back(), "UserName=ann;UserID=16");
}

TEST_F(BaseListTest, GetBatchSqlNotClosedWithoutOptionalConditions) {
  host.properties.Set("ICClosed", false);
  OnFreshThread([&] {
    BaseList list;
    list.GetBatch(12, "B-01", 0, -1, 1080001);
    EXPECT_EQ(LastSql(), testing::kBatchHeadOpen +
                             " Where a.FitemID = 12 and  b.FTypeID <> 502  and "
                             "a.FBatchNo='B-01'" +
                             testing::kBatchGroupOpen);
    list.GetBatch(12, "B-01", 0, 0, 1030003);
    EXPECT_EQ(LastSql(), testing::kBatchHeadOpen + " Where a.FitemID = 12 and a.FBatchNo='B-01'" +
                             testing::kBatchGroupOpen);
  });
}

TEST_F(BaseListTest, GetAuxSqlNarrowsTheTotalsByName) {
  suite.need_authorized = true;
  OnFreshThread([&] {
    BaseList list;
    list.GetAux(5, "O'Red", 2, 9, 1020004);
    EXPECT_EQ(LastSql(), testing::AuxLookupSql(true,
                                               " Where a.FitemID=5 and  b.FTypeID <> 502  And  "
                                               "CharIndex('16',b.FRightUserID)>0  and c.Fname "
                                               "like '%O''Red%' and a.FStockID=2 and "
                                               "a.FAuxPropID=9",
                                               "O''Red"));
  });
  host.properties.Set("ICClosed", false);
  suite.need_authorized = false;
  host.properties.Set("NeedAuthrize", false);
  OnFreshThread([&] {
    BaseList list;
    list.GetAux(8, "Red", 0, 0, 0);
    EXPECT_EQ(LastSql(),
              testing::AuxLookupSql(false, " Where a.FitemID=8 and c.Fname like '%Red%'", "Red"));
  });
}

TEST_F(BaseListTest, LookupsReturnTheFirstRowAsTrimmedTextsOrEveryKeyEmpty) {
  std::vector<std::vector<Variant>> rows = {{" B1 ", 12.5, Variant::Null(), "2026-01-02"},
                                            {"B2", 1, "x", ""}};
  suite.data = [&](const std::string&) {
    return MakeRecordset({"FBatchNo", "FQty", "AuxName", "FKFDate"}, rows);
  };
  OnFreshThread([&] {
    BaseList list;
    auto row = std::dynamic_pointer_cast<Dictionary>(list.GetBatch(5, "B1", 0, 0, 0));
    ASSERT_TRUE(row);
    ASSERT_EQ(row->Count(), 4);
    EXPECT_EQ(row->Entries()[0].first, "FBatchNo");
    EXPECT_EQ(row->Get("FBatchNo"), Variant("B1"));
    EXPECT_EQ(row->Get("FQty"), Variant("12.5"));
    EXPECT_EQ(row->Get("AuxName"), Variant(""));
    EXPECT_EQ(row->Get("FKFDate"), Variant("2026-01-02"));
    rows.clear();
    row = std::dynamic_pointer_cast<Dictionary>(list.GetAux(5, "Red", 0, 0, 0));
    ASSERT_TRUE(row);
    ASSERT_EQ(row->Count(), 4);
    for (const auto& [key, value] : row->Entries()) EXPECT_EQ(value, Variant("")) << key;
  });
}

TEST_F(BaseListTest, PreconditionsAndFailuresReturnNoObjectQuietly) {
  OnFreshThread([&] {
    BaseList list;
    EXPECT_EQ(list.GetBatch(0, "B1", 0, 0, 0), nullptr);
    EXPECT_EQ(list.GetBatch(-4, "B1", 0, 0, 0), nullptr);
    EXPECT_EQ(list.GetBatch(5, "", 0, 0, 0), nullptr);
    EXPECT_EQ(list.GetAux(0, "Red", 0, 0, 0), nullptr);
    EXPECT_EQ(list.GetAux(5, "", 0, 0, 0), nullptr);
    EXPECT_EQ(suite.CountCalls("create QMZMClass.ClassInfo"), 0);

    suite.get_data_fails = true;
    EXPECT_EQ(list.GetBatch(5, "B1", 0, 0, 0), nullptr);
    suite.get_data_fails = false;
    suite.Remove(progid::kClassInfo);
    EXPECT_EQ(list.GetAux(5, "Red", 0, 0, 0), nullptr);
  });
  // An authorisation condition that cannot be built ends the lookup the same way.
  suite.need_authorized = true;
  suite.Remove(progid::kGLData);
  OnFreshThread([&] {
    BaseList list;
    EXPECT_EQ(list.GetBatch(5, "B1", 0, 0, 0), nullptr);
  });
}

TEST(ListSettingsTest, SecondBaseListResetsSharedSettingsPerThread) {
  OnFreshThread([] {
    BaseList first;
    first.KeyWord("k");
    first.Filter("f");
    first.FilterItem("fi");
    ListSettings().ListClassID = 18;
    ListSettings().LocatePending = true;
    auto info = std::make_shared<Dictionary>();
    first.ItemExtInfo(info);
    BaseList second;
    EXPECT_EQ(ListSettings().KeyWord, "");
    EXPECT_EQ(ListSettings().Filter, "");
    EXPECT_EQ(ListSettings().FilterItem, "fi");
    EXPECT_EQ(ListSettings().ListClassID, 0);
    EXPECT_FALSE(ListSettings().LocatePending);
    EXPECT_EQ(ListSettings().ItemExtInfo, info);
    first.KeyWord("last");  // the last writer wins for every object on the thread
    EXPECT_EQ(ListSettings().KeyWord, "last");

    std::string other_thread_keyword = "unset";
    OnFreshThread([&] {
      other_thread_keyword = ListSettings().KeyWord;
      BaseList elsewhere;
      elsewhere.KeyWord("other");
    });
    EXPECT_EQ(other_thread_keyword, "");
    EXPECT_EQ(ListSettings().KeyWord, "last");
  });
}

TEST_F(BaseListTest, CreatableByProgIdAndCallableByNameOrNumber) {
  RegisterBaseListClass();
  suite.data = [](const std::string&) { return MakeRecordset({"FBatchNo"}, {{"B7"}}); };
  OnFreshThread([&] {
    auto by_prog_id = ComponentRegistry::Instance().Create("QMZBaseList.BaseList");
    auto by_class_id =
        ComponentRegistry::Instance().Create("{942525AF-49FE-4A89-8DA1-9A6964F14C86}");
    ASSERT_TRUE(std::dynamic_pointer_cast<BaseList>(by_prog_id));
    ASSERT_TRUE(std::dynamic_pointer_cast<BaseList>(by_class_id));

    std::vector<Variant> keyword = {"abc"};
    by_prog_id->Invoke("keyword", keyword);
    EXPECT_EQ(ListSettings().KeyWord, "abc");

    std::vector<Variant> args = {5, "B7", 0, 0, 0};
    auto row = by_prog_id->Invoke("GetBatch", args).As<Dictionary>();
    ASSERT_TRUE(row);
    EXPECT_EQ(row->Get("FBatchNo"), Variant("B7"));
    auto list = std::dynamic_pointer_cast<BaseList>(by_prog_id);
    EXPECT_TRUE(list->InvokeMember(10, args).As<Dictionary>());

    std::vector<Variant> too_few = {5};
    EXPECT_THROW(by_prog_id->Invoke("GetBatch", too_few), Error);
    EXPECT_THROW(by_prog_id->Invoke("NoSuchMember", args), Error);
    EXPECT_THROW(list->InvokeMember(13, args), Error);
    // The dialogs need a modal host and answer null without one.
    suite.access = false;
    EXPECT_FALSE(list->Invoke("ShowAux", args).As<Dictionary>());
    EXPECT_EQ(suite.CountCalls("AccessCheck 40 800 1"), 1);
    std::vector<Variant> show_args = {Variant(7), Variant(18)};
    EXPECT_FALSE(list->Invoke("show", show_args).As<Recordset>());
    EXPECT_EQ(show_args[0].ToInt32(), 7);  // the by-reference user id comes back
  });
  ComponentRegistry::Instance().Unregister(progid::kBaseList);
  ComponentRegistry::Instance().Unregister(progid::kBaseListClassId);
}

}  // namespace
}  // namespace qmz
