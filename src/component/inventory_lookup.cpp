#include "component/inventory_lookup.h"

#include "batch/batch_query.h"
#include "platform/text.h"

namespace qmz {

namespace {

const char kCrLf[] = "\r\n";

std::string StockAndAuxConditions(const InventoryRequest& query) {
  std::string sql;
  if (query.stock_id > 0) sql += " and a.FStockID=" + std::to_string(query.stock_id);
  if (query.aux_id > 0) sql += " and a.FAuxPropID=" + std::to_string(query.aux_id);
  return sql;
}

}  // namespace

std::string ComposeBatchLookupSql(const InventoryRequest& query, bool closed,
                                  const std::string& auth_filter) {
  // The first picker's select list, joins and grouping (batch/batch_query.h).
  std::string sql = BatchListHead(BatchPicker::kStock, closed);
  sql += " Where a.FitemID = " + std::to_string(query.item_id);
  if (ExcludesVirtualStocks(query.class_type)) sql += kNoVirtualStocks;
  sql += auth_filter;
  sql += " and a.FBatchNo='" + DoubleQuotes(query.text) + "'";
  sql += StockAndAuxConditions(query);
  sql += BatchListGrouping(closed);
  return sql;
}

std::string ComposeAuxLookupSql(const InventoryRequest& query, bool closed,
                                const std::string& auth_filter) {
  const char kDropTemp[] = "IF object_id('tempdb..#tempAux') IS NOT NULL DROP TABLE #tempAux ";
  std::string sql = "set nocount on  ";
  sql += kDropTemp;
  sql += kCrLf;
  sql += "select c.Fname as AuxName,b.Fname as stockName,isNull(sum(a.FQty),0) as FQty,";
  if (closed) {
    sql += "isNull(sum(a.FSecQty),0) as FSecQty,0 as Fprice,isnull(sum(FBal),0) as FAmount,";
  } else {
    sql +=
        "isNull(sum(a.FSecQty),0) as FSecQty, isnull(sum(Fprice),0) as Fprice, "
        "isnull(sum(FAmount),0) as FAmount,";
  }
  sql +=
      " b.FNumber as StockNumber,c.Fnumber as AuxNumber,max(c.FItemID) as AuxPropID,"
      "b.FitemID, 1 as FIndex ";
  sql += " into #tempAux ";
  sql += closed ? " from t_cc_inventory a inner join t_stock b on a.Fstockid=b.FitemID"
                : " from ICInvInitial a inner join t_stock b on a.Fstockid=b.FitemID";
  sql += " left outer join t_auxItem c on a.FAuxPropID=c.FitemID ";
  sql += " inner join t_icitem d on a.FitemID=d.FitemID";
  sql += " Where a.FitemID=" + std::to_string(query.item_id);
  if (ExcludesVirtualStocks(query.class_type)) sql += kNoVirtualStocks;
  sql += auth_filter;
  std::string pattern = DoubleQuotes(query.text);
  sql += " and c.Fname like '%" + pattern + "%'";
  sql += StockAndAuxConditions(query);
  sql += " Group by c.Fname,b.Fname,b.FNumber,c.Fnumber,b.FitemID ";
  sql += " order by c.Fname,b.Fname,b.FNumber,c.Fnumber,b.FitemID ";
  // Read-back: one total row per matching property, then its warehouse rows.
  sql +=
      " select c.Fname as AuxName,'全部仓库' as stockName, isNull(a.FQty,0) as FQty, "
      "isNull(a.FSecQty,0) as FSecQty, ";
  sql += " 0 as Fprice,isnull(FAmount,0) as FAmount, '' as StockNumber,c.Fnumber as AuxNumber, ";
  sql += " c.FItemID as AuxPropID, 0 FitemID, 0 as FIndex ";
  sql += " from t_auxItem c left join ( ";
  sql += " select AuxPropID, isNull(sum(FQty),0) as FQty, isNull(sum(FSecQty),0) as FSecQty, ";
  sql += " 0 as Fprice,isnull(sum(FAmount),0) as FAmount ";
  sql += " from #tempAux group by AuxPropID ";
  sql += " ) a on a.AuxPropID=c.FitemID ";
  sql += " where c.Fname like '%" + pattern + "%' ";
  sql += " Union ";
  sql +=
      " select AuxName,stockName,FQty, FSecQty, Fprice,FAmount, StockNumber,AuxNumber, "
      "AuxPropID, FitemID, FIndex ";
  sql += " from #tempAux order by AuxName, FIndex ";
  sql += kCrLf;
  sql += kDropTemp;
  return sql;
}

}  // namespace qmz
