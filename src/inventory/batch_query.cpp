#include "inventory/batch_query.h"

#include "inventory/inventory_request.h"
#include "platform/text.h"

namespace qmz {

namespace {

const char kCrLf[] = "\r\n";

std::string ComposeHead(bool second, bool closed) {
  std::string sql;
  auto line = [&sql](const std::string& text) { sql += text + kCrLf; };
  if (closed) {
    line(std::string(second ? "Select" : "select") +
         " a.FBatchNo,c.Fname as AuxName,b.Fname as stockName,isNull(sum(a.FQty),0) as "
         "FQty,e.FName As FUnitName,isNull(sum(a.FSecQty),0) as FSecQty,0 as "
         "Fprice,isnull(sum(FBal),0) as FAmount,");
    line(std::string("a.FKFDate,a.FPeriodDate,b.FNumber as StockNumber,c.Fnumber as "
                     "AuxNumber,max(c.FItemID) as AuxPropID,b.FitemID,d.FISKFPeriod,") +
         (second ? " '0' as FBatchNoIndex " : "a.FBatchNoIndex "));
    line("from t_cc_inventory      a");
  } else {
    line(
        "select a.FBatchNo,c.Fname as AuxName,b.Fname as stockName,isNull(sum(a.FQty),0) as "
        "FQty,e.FName As FUnitName,isNull(sum(a.FSecQty),0) as FSecQty, isnull(sum(Fprice),0) "
        "as Fprice, isnull(sum(FAmount),0) as FAmount,");
    line(std::string("a.FKFDate,a.FdestDate as FPeriodDate,b.FNumber as StockNumber,c.Fnumber "
                     "as AuxNumber,max(c.FItemID) as AuxPropID,b.FitemID,d.FISKFPeriod,") +
         (second ? " '0' as FBatchNoIndex" : "a.FBatchNoIndex"));
    line("from ICInvInitial        a");
  }
  line("inner join t_stock       b on a.Fstockid=b.FitemID");
  line(second && closed ? "left  join t_auxItem     c on a.FAuxPropID=c.FitemID "
                        : "left  join t_auxItem     c on a.FAuxPropID=c.FitemID");
  line("inner join t_icitem      d on a.FitemID=d.FitemID");
  line("left  join t_MeasureUnit e on d.FUnitID=e.FItemID");
  return sql;
}

}  // namespace

std::string BatchListHead(BatchPicker picker, bool closed) {
  // Four texts, composed once: a host checking order lines asks for one at every line.
  static const std::string heads[2][2] = {{ComposeHead(false, false), ComposeHead(false, true)},
                                          {ComposeHead(true, false), ComposeHead(true, true)}};
  return heads[picker == BatchPicker::kSelectBatchNo][closed];
}

std::string BatchListGrouping(bool closed) {
  return closed ? " Group by a.FBatchNo,c.Fname,b.Fname,e.FName,a.FKFDate,a.FPeriodDate,"
                  "b.FNumber,c.Fnumber,b.FitemID,d.FISKFPeriod,a.FBatchNoIndex "
                : " Group by a.FBatchNo,c.Fname,b.Fname,e.FName,a.FKFDate,a.FdestDate,"
                  "b.FNumber,c.Fnumber,b.FitemID,d.FISKFPeriod,a.FBatchNoIndex ";
}

namespace {

std::string Contains(const std::string& text) {
  return " and a.FBatchNo like '%" + DoubleQuotes(text) + "%'";
}

}  // namespace

std::string ComposeBatchListQuery(BatchPicker picker, const BatchQueryInput& in) {
  bool first = picker == BatchPicker::kStock;
  std::string sql = BatchListHead(picker, in.closed);
  sql += " Where a.FitemID=" + std::to_string(in.item_id);
  if (ExcludesVirtualStocks(in.class_type)) sql += kNoVirtualStocks;
  sql += in.auth_filter;
  if (in.closed) sql += in.show_zero ? " and (a.FQty<>0 or a.FBal<>0) " : " and a.FQty<>0 ";
  sql += " And ((d.FISBatchManager=1 And a.FBatchNo<>'') OR d.FISBatchManager=0) ";
  if (first && !in.filter.empty()) sql += Contains(in.filter);
  if (first && !in.batch.empty()) sql += Contains(in.batch);
  if (in.stock_id > 0) sql += " and a.FStockID=" + std::to_string(in.stock_id);
  if (in.aux_id > 0) sql += " and a.FAuxPropID=" + std::to_string(in.aux_id);
  std::string box = Trim(in.box_text);
  if (!box.empty()) sql += Contains(box);
  if (first && in.class_type == 1020004) sql += kNoVirtualStocks;
  sql += BatchListGrouping(in.closed);
  return sql;
}

}  // namespace qmz
