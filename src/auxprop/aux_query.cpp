#include "auxprop/aux_query.h"

#include "list_services/inventory_request.h"
#include "platform/text.h"

namespace qmz {

namespace {

const char kCrLf[] = "\r\n";
const char kDropTemp[] = "IF object_id('tempdb..#tempAux') IS NOT NULL DROP TABLE #tempAux ";

}  // namespace

std::string ComposeAuxListQuery(const AuxQueryInput& in) {
  const std::string t = DoubleQuotes(Trim(in.box_text));
  std::string sql = "set nocount on  ";
  sql += kCrLf;
  sql += kDropTemp;
  sql += kCrLf;
  sql += "select c.Fname as AuxName,b.Fname as stockName,isNull(sum(a.FQty),0) as FQty,";
  sql += in.closed
             ? "isNull(sum(a.FSecQty),0) as FSecQty,0 as Fprice,isnull(sum(FBal),0) as FAmount,"
             : "isNull(sum(a.FSecQty),0) as FSecQty, isnull(sum(Fprice),0) as Fprice, "
               "isnull(sum(FAmount),0) as FAmount,";
  sql +=
      " b.FNumber as StockNumber,c.Fnumber as AuxNumber,max(c.FItemID) as AuxPropID,b.FitemID, "
      "1 as FIndex ";
  sql += " into #tempAux ";
  sql += in.closed ? " from t_cc_inventory a inner join t_stock b on a.Fstockid=b.FitemID"
                   : " from ICInvInitial a inner join t_stock b on a.Fstockid=b.FitemID";
  sql += " left outer join t_auxItem c on a.FAuxPropID=c.FitemID ";
  sql += " inner join t_icitem d on a.FitemID=d.FitemID";
  sql += " Where a.FitemID=" + std::to_string(in.item_id);
  if (ExcludesVirtualStocks(in.class_type)) sql += kNoVirtualStocks;
  sql += in.auth_filter;
  if (!in.hide_zero) {
    sql += " ";
  } else {
    sql += in.closed ? " and (a.FQty<>0 or a.FBal<>0) " : " and (a.FQty <> 0) ";
  }
  if (in.stock_id > 0) sql += " and a.FStockID=" + std::to_string(in.stock_id);
  const std::string name_or_number =
      " and (c.Fname like '%" + t + "%' or c.FNumber like '%" + t + "%') ";
  if (!t.empty()) sql += name_or_number;
  sql += " Group by c.Fname,b.Fname,b.FNumber,c.Fnumber,b.FitemID ";
  sql += " order by c.Fname,b.Fname,b.FNumber,c.Fnumber,b.FitemID ";
  for (const char* fragment :
       {" select c.Fname as AuxName,'全部仓库' as stockName, isNull(a.FQty,0) as FQty, "
        "isNull(a.FSecQty,0) as FSecQty, ",
        " 0 as Fprice,isnull(FAmount,0) as FAmount, '' as StockNumber,c.Fnumber as AuxNumber, ",
        " c.FItemID as AuxPropID, 0 FitemID, 0 as FIndex ", " from t_auxItem c left join ( ",
        " select AuxPropID, isNull(sum(FQty),0) as FQty, isNull(sum(FSecQty),0) as FSecQty, ",
        " 0 as Fprice,isnull(sum(FAmount),0) as FAmount ", " from #tempAux group by AuxPropID ",
        " ) a on a.AuxPropID=c.FitemID "}) {
    sql += fragment;
    sql += kCrLf;
  }
  sql += " where 1 = 1 ";
  if (!t.empty()) sql += name_or_number;
  sql += in.hide_zero ? " and (isNull(a.FQty,0) <> 0) " : " ";
  sql += " Union ";
  sql += kCrLf;
  sql +=
      " select AuxName,stockName,FQty, FSecQty, Fprice,FAmount, StockNumber,AuxNumber, "
      "AuxPropID, FitemID, FIndex ";
  sql += kCrLf;
  sql += " from #tempAux ";
  sql += kCrLf;
  if (!t.empty()) sql += " where AuxName like '%" + t + "%' or AuxNumber like '%" + t + "%' ";
  sql += " order by AuxName, FIndex ";
  sql += kCrLf;
  sql += kDropTemp;
  return sql;
}

}  // namespace qmz
