// The exact text of the aux picker's list query.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "inventory/aux_query.h"

namespace qmz {
namespace {

using ::testing::HasSubstr;

// The aux picker's list query around its conditions: `where` after "Where a.FitemID=", the
// totals' conditions after "where 1 = 1 ", the rows' condition before their order.
std::string AuxListSql(bool closed, const std::string& where, const std::string& totals,
                       const std::string& rows) {
  return std::string(
             "set nocount on  \r\n"
             "IF object_id('tempdb..#tempAux') IS NOT NULL DROP TABLE #tempAux \r\n"
             "select c.Fname as AuxName,b.Fname as stockName,isNull(sum(a.FQty),0) as "
             "FQty,isNull(sum(a.FSecQty),0) as FSecQty,") +
         (closed ? "0 as Fprice,isnull(sum(FBal),0) as FAmount, "
                 : " isnull(sum(Fprice),0) as Fprice, isnull(sum(FAmount),0) as FAmount, ") +
         "b.FNumber as StockNumber,c.Fnumber as AuxNumber,max(c.FItemID) as AuxPropID,"
         "b.FitemID, 1 as FIndex  into #tempAux  " +
         (closed ? "from t_cc_inventory a " : "from ICInvInitial a ") +
         "inner join t_stock b on a.Fstockid=b.FitemID left outer join t_auxItem c on "
         "a.FAuxPropID=c.FitemID  inner join t_icitem d on a.FitemID=d.FitemID Where a.FitemID=" +
         where +
         "  Group by c.Fname,b.Fname,b.FNumber,c.Fnumber,b.FitemID  order by c.Fname,b.Fname,"
         "b.FNumber,c.Fnumber,b.FitemID  select c.Fname as AuxName,'全部仓库' as stockName, "
         "isNull(a.FQty,0) as FQty, isNull(a.FSecQty,0) as FSecQty, \r\n"
         " 0 as Fprice,isnull(FAmount,0) as FAmount, '' as StockNumber,c.Fnumber as AuxNumber, \r\n"
         " c.FItemID as AuxPropID, 0 FitemID, 0 as FIndex \r\n"
         " from t_auxItem c left join ( \r\n"
         " select AuxPropID, isNull(sum(FQty),0) as FQty, isNull(sum(FSecQty),0) as FSecQty, \r\n"
         " 0 as Fprice,isnull(sum(FAmount),0) as FAmount \r\n"
         " from #tempAux group by AuxPropID \r\n"
         " ) a on a.AuxPropID=c.FitemID \r\n"
         " where 1 = 1 " +
         totals +
         "  Union \r\n"
         " select AuxName,stockName,FQty, FSecQty, Fprice,FAmount, StockNumber,AuxNumber, "
         "AuxPropID, FitemID, FIndex \r\n"
         " from #tempAux \r\n" +
         rows +
         " order by AuxName, FIndex \r\n"
         "IF object_id('tempdb..#tempAux') IS NOT NULL DROP TABLE #tempAux ";
}

TEST(AuxQueryTest, WholeTextsOfTheClosedAndOpenInventory) {
  AuxQueryInput in{.item_id = 5,
                   .class_type = 1020004,
                   .auth_filter = " And  CharIndex('3',b.FRightUserID)>0 ",
                   .hide_zero = true,
                   .stock_id = 2,
                   .box_text = " O'K "};
  // Closed, the virtual warehouses out, authorised warehouses only, zero rows hidden, one
  // warehouse, the box's text in both conditions with its quote doubled and its blanks trimmed.
  EXPECT_EQ(ComposeAuxListQuery(in),
            AuxListSql(true,
                       "5 and  b.FTypeID <> 502  And  CharIndex('3',b.FRightUserID)>0  and "
                       "(a.FQty<>0 or a.FBal<>0)  and a.FStockID=2 and (c.Fname like '%O''K%' "
                       "or c.FNumber like '%O''K%')",
                       " and (c.Fname like '%O''K%' or c.FNumber like '%O''K%')  and "
                       "(isNull(a.FQty,0) <> 0)",
                       " where AuxName like '%O''K%' or AuxNumber like '%O''K%' "));
  // Open for initial entry, no condition of the box or the check box.
  in = {.closed = false, .item_id = 5, .class_type = 1030003};
  EXPECT_EQ(ComposeAuxListQuery(in), AuxListSql(false, "5", "", ""));
  in.hide_zero = true;
  EXPECT_THAT(ComposeAuxListQuery(in), HasSubstr("Where a.FitemID=5 and (a.FQty <> 0) "));
}

}  // namespace
}  // namespace qmz
