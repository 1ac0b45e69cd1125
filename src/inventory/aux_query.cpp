#include "inventory/aux_query.h"

#include "inventory/inventory_request.h"
#include "platform/text.h"

namespace qmz {

namespace {

const char kCrLf[] = "\r\n";
const char kDropTemp[] = "IF object_id('tempdb..#tempAux') IS NOT NULL DROP TABLE #tempAux ";

// The warehouse rows of the item's properties into #tempAux: the select list, the balance it
// reads and the item's conditions, up to the caller's own.
std::string TempAuxRows(bool closed, int32_t item_id, int32_t class_type,
                        const std::string& auth_filter) {
  std::string sql = "select c.Fname as AuxName,b.Fname as stockName,isNull(sum(a.FQty),0) as FQty,";
  sql += closed ? "isNull(sum(a.FSecQty),0) as FSecQty,0 as Fprice,isnull(sum(FBal),0) as FAmount,"
                : "isNull(sum(a.FSecQty),0) as FSecQty, isnull(sum(Fprice),0) as Fprice, "
                  "isnull(sum(FAmount),0) as FAmount,";
  sql +=
      " b.FNumber as StockNumber,c.Fnumber as AuxNumber,max(c.FItemID) as AuxPropID,b.FitemID, "
      "1 as FIndex ";
  sql += " into #tempAux ";
  sql += closed ? " from t_cc_inventory a inner join t_stock b on a.Fstockid=b.FitemID"
                : " from ICInvInitial a inner join t_stock b on a.Fstockid=b.FitemID";
  sql += " left outer join t_auxItem c on a.FAuxPropID=c.FitemID ";
  sql += " inner join t_icitem d on a.FitemID=d.FitemID";
  sql += " Where a.FitemID=" + std::to_string(item_id);
  if (ExcludesVirtualStocks(class_type)) sql += kNoVirtualStocks;
  sql += auth_filter;
  return sql;
}

const char kTempAuxGrouping[] =
    " Group by c.Fname,b.Fname,b.FNumber,c.Fnumber,b.FitemID "
    " order by c.Fname,b.Fname,b.FNumber,c.Fnumber,b.FitemID ";

// The read-back's first part: one total row per property of t_auxItem over #tempAux, up to its
// where; each line ends in `line_end`.
std::string AuxTotals(const char* line_end) {
  std::string sql;
  for (const char* line :
       {" select c.Fname as AuxName,'全部仓库' as stockName, isNull(a.FQty,0) as FQty, "
        "isNull(a.FSecQty,0) as FSecQty, ",
        " 0 as Fprice,isnull(FAmount,0) as FAmount, '' as StockNumber,c.Fnumber as AuxNumber, ",
        " c.FItemID as AuxPropID, 0 FitemID, 0 as FIndex ", " from t_auxItem c left join ( ",
        " select AuxPropID, isNull(sum(FQty),0) as FQty, isNull(sum(FSecQty),0) as FSecQty, ",
        " 0 as Fprice,isnull(sum(FAmount),0) as FAmount ", " from #tempAux group by AuxPropID ",
        " ) a on a.AuxPropID=c.FitemID "}) {
    sql += line;
    sql += line_end;
  }
  return sql;
}

const char kTempAuxSelect[] =
    " select AuxName,stockName,FQty, FSecQty, Fprice,FAmount, StockNumber,AuxNumber, "
    "AuxPropID, FitemID, FIndex ";

}  // namespace

std::string ComposeAuxListQuery(const AuxQueryInput& in) {
  const std::string t = DoubleQuotes(Trim(in.box_text));
  std::string sql = "set nocount on  ";
  sql += kCrLf;
  sql += kDropTemp;
  sql += kCrLf;
  sql += TempAuxRows(in.closed, in.item_id, in.class_type, in.auth_filter);
  if (!in.hide_zero) {
    sql += " ";
  } else {
    sql += in.closed ? " and (a.FQty<>0 or a.FBal<>0) " : " and (a.FQty <> 0) ";
  }
  if (in.stock_id > 0) sql += " and a.FStockID=" + std::to_string(in.stock_id);
  const std::string name_or_number =
      " and (c.Fname like '%" + t + "%' or c.FNumber like '%" + t + "%') ";
  if (!t.empty()) sql += name_or_number;
  sql += kTempAuxGrouping;
  sql += AuxTotals(kCrLf);
  sql += " where 1 = 1 ";
  if (!t.empty()) sql += name_or_number;
  sql += in.hide_zero ? " and (isNull(a.FQty,0) <> 0) " : " ";
  sql += " Union ";
  sql += kCrLf;
  sql += kTempAuxSelect;
  sql += kCrLf;
  sql += " from #tempAux ";
  sql += kCrLf;
  if (!t.empty()) sql += " where AuxName like '%" + t + "%' or AuxNumber like '%" + t + "%' ";
  sql += " order by AuxName, FIndex ";
  sql += kCrLf;
  sql += kDropTemp;
  return sql;
}

std::string ComposeAuxLookupSql(const InventoryRequest& query, bool closed,
                                const std::string& auth_filter) {
  const std::string pattern = DoubleQuotes(query.text);
  std::string sql = "set nocount on  ";
  sql += kDropTemp;
  sql += kCrLf;
  sql += TempAuxRows(closed, query.item_id, query.class_type, auth_filter);
  sql += " and c.Fname like '%" + pattern + "%'";
  sql += StockAndAuxConditions(query);
  sql += kTempAuxGrouping;
  // Read-back: one total row per matching property, then its warehouse rows.
  sql += AuxTotals("");
  sql += " where c.Fname like '%" + pattern + "%' ";
  sql += " Union ";
  sql += kTempAuxSelect;
  sql += " from #tempAux order by AuxName, FIndex ";
  sql += kCrLf;
  sql += kDropTemp;
  return sql;
}

}  // namespace qmz
