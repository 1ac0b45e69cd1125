// The exact texts of the batch list query of both pickers.
#include "inventory/batch_query.h"
#include "picker/item_header_query.h"

#include <gtest/gtest.h>

#include "component/inventory_sql.h"

namespace qmz {
namespace {

TEST(BatchQueryTest, FirstPickerAppendsEveryConditionInItsOrder) {
  const BatchPicker first = BatchPicker::kStock;
  EXPECT_EQ(ComposeBatchListQuery(first, {.item_id = 5,
                                          .class_type = 1020004,
                                          .filter = "O'K",
                                          .batch = "O'K",
                                          .stock_id = 1,
                                          .aux_id = 9,
                                          .box_text = "  b'1 ",
                                          .auth_filter = " And  CharIndex('3',b.FRightUserID)>0 "}),
            testing::StockListSql(
                true,
                "a.FitemID=5 and  b.FTypeID <> 502  And  CharIndex('3',b.FRightUserID)>0  and "
                "a.FQty<>0  And ((d.FISBatchManager=1 And a.FBatchNo<>'') OR d.FISBatchManager=0)  "
                "and a.FBatchNo like '%O''K%' and a.FBatchNo like '%O''K%' and a.FStockID=1 and "
                "a.FAuxPropID=9 and a.FBatchNo like '%b''1%' and  b.FTypeID <> 502 "));
  EXPECT_EQ(ComposeBatchListQuery(
                first, {.item_id = 5, .class_type = 1080001, .aux_id = -1, .show_zero = true}),
            testing::StockListSql(true,
                                  "a.FitemID=5 and  b.FTypeID <> 502  and (a.FQty<>0 or a.FBal<>0) "
                                  " And ((d.FISBatchManager=1 And a.FBatchNo<>'') OR "
                                  "d.FISBatchManager=0) "));
  // Before the closing the box has no effect and there is no zero filter.
  EXPECT_EQ(ComposeBatchListQuery(first, {.closed = false,
                                          .item_id = 5,
                                          .class_type = 1030003,
                                          .show_zero = true,
                                          .box_text = "   "}),
            testing::StockListSql(false,
                                  "a.FitemID=5 And ((d.FISBatchManager=1 And a.FBatchNo<>'') OR "
                                  "d.FISBatchManager=0) "));
}

TEST(BatchQueryTest, SecondPickerUsesItsHeadsAndTheBoxOnly) {
  const BatchPicker second = BatchPicker::kSelectBatchNo;
  EXPECT_EQ(
      ComposeBatchListQuery(
          second,
          {.item_id = 5, .class_type = 1020004, .filter = "X", .batch = "X", .box_text = "O'K"}),
      "Select a.FBatchNo,c.Fname as AuxName,b.Fname as stockName,isNull(sum(a.FQty),"
      "0) as FQty,e.FName As FUnitName,isNull(sum(a.FSecQty),0) as FSecQty,"
      "0 as Fprice,isnull(sum(FBal),0) as FAmount,\r\n"
      "a.FKFDate,a.FPeriodDate,b.FNumber as StockNumber,c.Fnumber as AuxNumber,"
      "max(c.FItemID) as AuxPropID,b.FitemID,d.FISKFPeriod, '0' as FBatchNoIndex "
      "\r\n"
      "from t_cc_inventory      a\r\n"
      "inner join t_stock       b on a.Fstockid=b.FitemID\r\n"
      "left  join t_auxItem     c on a.FAuxPropID=c.FitemID \r\n"
      "inner join t_icitem      d on a.FitemID=d.FitemID\r\n"
      "left  join t_MeasureUnit e on d.FUnitID=e.FItemID\r\n"
      " Where a.FitemID=5 and  b.FTypeID <> 502  and a.FQty<>0  And ((d.FISBatchManager"
      "=1 And a.FBatchNo<>'') OR d.FISBatchManager=0)  and a.FBatchNo like "
      "'%O''K%'" +
          testing::StockListGroupBy(true));
  EXPECT_EQ(ComposeBatchListQuery(second, {.closed = false, .item_id = 5, .stock_id = 2}),
            "select a.FBatchNo,c.Fname as AuxName,b.Fname as stockName,isNull(sum(a.FQty),"
            "0) as FQty,e.FName As FUnitName,isNull(sum(a.FSecQty),0) as FSecQty,"
            " isnull(sum(Fprice),0) as Fprice, isnull(sum(FAmount),0) as FAmount,"
            "\r\n"
            "a.FKFDate,a.FdestDate as FPeriodDate,b.FNumber as StockNumber,c.Fnumber "
            "as AuxNumber,max(c.FItemID) as AuxPropID,b.FitemID,d.FISKFPeriod, "
            "'0' as FBatchNoIndex\r\n"
            "from ICInvInitial        a\r\n"
            "inner join t_stock       b on a.Fstockid=b.FitemID\r\n"
            "left  join t_auxItem     c on a.FAuxPropID=c.FitemID\r\n"
            "inner join t_icitem      d on a.FitemID=d.FitemID\r\n"
            "left  join t_MeasureUnit e on d.FUnitID=e.FItemID\r\n"
            " Where a.FitemID=5 And ((d.FISBatchManager=1 And a.FBatchNo<>'') OR "
            "d.FISBatchManager=0)  and a.FStockID=2" +
                testing::StockListGroupBy(false));
  EXPECT_EQ(ComposeItemHeaderQuery(5),
            "select a.FNumber,a.Fname,a.Fmodel from t_icitem a Where a.FitemID=5");
}

}  // namespace
}  // namespace qmz
