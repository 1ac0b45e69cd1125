// The aux picker: its query texts, the rights check of the entry points, row texts and choices
// over a faked middle tier.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "auxprop/aux_query.h"
#include "auxprop/frm_select_aux.h"
#include "platform/ui/scripted_host.h"
#include "qmz/baselist.h"
#include "support/fake_suite.h"

namespace qmz {
namespace {

using testing::FakeSuite;
using ::testing::HasSubstr;
using testing::MakeRecordset;
using testing::OnFreshThread;
using testing::PublishedHostDictionary;

const std::string kTotals =
    " select c.Fname as AuxName,'全部仓库' as stockName, isNull(a.FQty,0) as FQty, "
    "isNull(a.FSecQty,0) as FSecQty, \r\n"
    " 0 as Fprice,isnull(FAmount,0) as FAmount, '' as StockNumber,c.Fnumber as AuxNumber, \r\n"
    " c.FItemID as AuxPropID, 0 FitemID, 0 as FIndex \r\n"
    " from t_auxItem c left join ( \r\n"
    " select AuxPropID, isNull(sum(FQty),0) as FQty, isNull(sum(FSecQty),0) as FSecQty, \r\n"
    " 0 as Fprice,isnull(sum(FAmount),0) as FAmount \r\n"
    " from #tempAux group by AuxPropID \r\n"
    " ) a on a.AuxPropID=c.FitemID \r\n"
    " where 1 = 1 ";
const std::string kStart =
    "set nocount on  \r\nIF object_id('tempdb..#tempAux') IS NOT NULL DROP TABLE #tempAux \r\n"
    "select c.Fname as AuxName,b.Fname as stockName,isNull(sum(a.FQty),0) as FQty,";
const std::string kMiddle =
    " b.FNumber as StockNumber,c.Fnumber as AuxNumber,max(c.FItemID) as AuxPropID,b.FitemID, 1 "
    "as FIndex  into #tempAux ";
const std::string kJoins =
    " left outer join t_auxItem c on a.FAuxPropID=c.FitemID  inner join t_icitem d on "
    "a.FitemID=d.FitemID Where a.FitemID=5";
const std::string kGroup =
    " Group by c.Fname,b.Fname,b.FNumber,c.Fnumber,b.FitemID  order by "
    "c.Fname,b.Fname,b.FNumber,c.Fnumber,b.FitemID ";
const std::string kUnion =
    " Union \r\n select AuxName,stockName,FQty, FSecQty, Fprice,FAmount, StockNumber,AuxNumber, "
    "AuxPropID, FitemID, FIndex \r\n from #tempAux \r\n";
const std::string kEnd =
    " order by AuxName, FIndex \r\nIF object_id('tempdb..#tempAux') IS NOT NULL DROP TABLE "
    "#tempAux ";

TEST(AuxQueryTest, EveryFragmentInItsOrder) {
  AuxQueryInput in;
  in.item_id = 5;
  in.class_type = 1020004;
  in.auth_filter = " And  CharIndex('3',b.FRightUserID)>0 ";
  in.hide_zero = true;
  in.stock_id = 2;
  in.box_text = " O'K ";
  const std::string t = " and (c.Fname like '%O''K%' or c.FNumber like '%O''K%') ";
  EXPECT_EQ(ComposeAuxListQuery(in),
            kStart +
                "isNull(sum(a.FSecQty),0) as FSecQty,0 as Fprice,isnull(sum(FBal),0) as FAmount," +
                kMiddle + " from t_cc_inventory a inner join t_stock b on a.Fstockid=b.FitemID" +
                kJoins + " and  b.FTypeID <> 502  And  CharIndex('3',b.FRightUserID)>0 " +
                " and (a.FQty<>0 or a.FBal<>0) " + " and a.FStockID=2" + t + kGroup + kTotals + t +
                " and (isNull(a.FQty,0) <> 0) " + kUnion +
                " where AuxName like '%O''K%' or AuxNumber like '%O''K%' " + kEnd);
  in = AuxQueryInput();
  in.item_id = 5;
  in.closed = false;
  in.class_type = 1030003;
  EXPECT_EQ(ComposeAuxListQuery(in),
            kStart +
                "isNull(sum(a.FSecQty),0) as FSecQty, isnull(sum(Fprice),0) as Fprice, "
                "isnull(sum(FAmount),0) as FAmount," +
                kMiddle + " from ICInvInitial a inner join t_stock b on a.Fstockid=b.FitemID" +
                kJoins + " " + kGroup + kTotals + " " + kUnion + kEnd);
  in.hide_zero = true;
  EXPECT_THAT(ComposeAuxListQuery(in), HasSubstr("Where a.FitemID=5 and (a.FQty <> 0) "));
}

class AuxPickerTest : public ::testing::Test {
 protected:
  AuxPickerTest() {
    suite.system_profile["IC|PriceDigitCount"] = "2";
    suite.data = [this](const std::string& sql) {
      if (sql.rfind("select a.FNumber", 0) == 0) {
        return MakeRecordset({"FNumber", "FName", "Fmodel"}, {});
      }
      return MakeRecordset(
          {"AuxName", "stockName", "FQty", "FSecQty", "Fprice", "FAmount", "StockNumber",
           "AuxNumber", "AuxPropID", "FitemID", "FIndex"},
          {{"Red", "全部仓库", 3, 0, 0, 10, "", "R", 1, 0, 0},
           {"Red", "北京仓", 3, 0, 0, 10, "01", "R", 1, 1, 1},
           {Variant::Null(), "上海仓", 0, 0, 0, 0, "02", Variant::Null(), Variant::Null(), 2, 1}});
    };
  }
  std::shared_ptr<Dictionary> Choose(const std::string& script, int32_t industry = 0) {
    std::shared_ptr<Dictionary> chosen;
    host.properties.Set("IndustryType", industry);
    OnFreshThread([&] {
      ScriptedHost user(script, messages);
      ModalHostScope scope(user);
      BaseList list;
      chosen = std::dynamic_pointer_cast<Dictionary>(list.ShowAux(5, "", 0, 0, 1030003));
    });
    return chosen;
  }
  FakeSuite suite;
  PublishedHostDictionary host;
  std::ostringstream messages;
};

TEST_F(AuxPickerTest, RowsPricesAndChoices) {
  OnFreshThread([&] {
    ScriptedHost user("", messages);
    ModalHostScope scope(user);
    frmSelectAux form;
    form.ItemID = 5;
    form.ClassTypeID = 1030003;
    host.properties.Set("IndustryType", 1);
    form.RunLoad();
    form.ShowModal();
    EXPECT_EQ(form.Caption(), "请选择辅助属性");
    EXPECT_EQ(form.Grid().DumpGrid(),
              "序号|辅助属性|仓库|理论重量|单价|金额|stockID|\n"
              "1|Red|全部仓库|3|3.33|10.00|0|\n"
              "2|Red|北京仓|3|3.33|10.00|1|\n"
              "3||上海仓|0|0|0.00|2|\n");
    EXPECT_TRUE(form.Grid().Column(7).Hidden());
    EXPECT_FALSE(form.Grid().Column(5).Hidden());  // the user may see prices
  });

  auto total = Choose("row 2; key Enter Ledger");
  ASSERT_TRUE(total);
  EXPECT_EQ(total->Get("stockName").ToText(), "全部仓库");
  EXPECT_EQ(total->Get("FitemID").ToText(), "0");
  EXPECT_EQ(total->Get("FIndex").ToText(), "0");
  EXPECT_EQ(total->Get("Fprice").ToDouble(), 3.33);
  EXPECT_EQ(suite.user_profile["BaseList|AuxShowZero"], "0");  // Enter saves the box

  suite.user_profile.erase("BaseList|AuxShowZero");
  auto warehouse = Choose("dblclick 4");  // no property name: the warehouse alone
  ASSERT_TRUE(warehouse);
  EXPECT_EQ(warehouse->Get("stockName").ToText(), "上海仓");
  EXPECT_EQ(warehouse->Get("AuxName").ToText(), "");
  EXPECT_EQ(suite.user_profile.count("BaseList|AuxShowZero"), 0u);  // a double click does not
  EXPECT_EQ(suite.user_profile["BaseList|ColWidth"], "500|1500|1000|1000|1000|900|0");
}

TEST_F(AuxPickerTest, TheRightsCheckComesFirstAndMayRaise) {
  suite.access = false;
  OnFreshThread([&] {
    ScriptedHost user("", messages);
    ModalHostScope scope(user);
    BaseList list;
    EXPECT_EQ(list.ShowAuxForMultiSel(0, "R", 0, 0, 0), nullptr);
    EXPECT_EQ(user.Messages(),
              (std::vector<std::string>{"[] 对不起，您没有相应的基础资料查询权限！！"}));
  });
  // Asked before anything else: no item, no query, no dialog.
  EXPECT_EQ(suite.CountCalls("AccessCheck"), 1);
  EXPECT_EQ(suite.calls.back(), "AccessCheck 40 800 1 false ''");
  suite.access = true;
  OnFreshThread([&] {
    BaseList list;
    EXPECT_EQ(list.ShowAux(-1, "", 0, 0, 0), nullptr);  // after the check, no dialog
    EXPECT_EQ(list.ShowAux(5, "", 0, 0, 0), nullptr);   // no modal host: quietly nothing
    suite.Remove(progid::kSecurityInfo);
    EXPECT_THROW(list.ShowAux(5, "", 0, 0, 0), Error);
  });
}

}  // namespace
}  // namespace qmz
