// The exact texts GetBatch and GetAux send, written out once for the tests that check them.
#pragma once

#include <string>

namespace qmz::testing {

inline const std::string kBatchHeadClosed =
    "select a.FBatchNo,c.Fname as AuxName,b.Fname as stockName,isNull(sum(a.FQty),0) as "
    "FQty,e.FName As FUnitName,isNull(sum(a.FSecQty),0) as FSecQty,0 as "
    "Fprice,isnull(sum(FBal),0) as FAmount,\r\n"
    "a.FKFDate,a.FPeriodDate,b.FNumber as StockNumber,c.Fnumber as AuxNumber,max(c.FItemID) as "
    "AuxPropID,b.FitemID,d.FISKFPeriod,a.FBatchNoIndex \r\n"
    "from t_cc_inventory      a\r\n"
    "inner join t_stock       b on a.Fstockid=b.FitemID\r\n"
    "left  join t_auxItem     c on a.FAuxPropID=c.FitemID\r\n"
    "inner join t_icitem      d on a.FitemID=d.FitemID\r\n"
    "left  join t_MeasureUnit e on d.FUnitID=e.FItemID\r\n";

inline const std::string kBatchHeadOpen =
    "select a.FBatchNo,c.Fname as AuxName,b.Fname as stockName,isNull(sum(a.FQty),0) as "
    "FQty,e.FName As FUnitName,isNull(sum(a.FSecQty),0) as FSecQty, isnull(sum(Fprice),0) as "
    "Fprice, isnull(sum(FAmount),0) as FAmount,\r\n"
    "a.FKFDate,a.FdestDate as FPeriodDate,b.FNumber as StockNumber,c.Fnumber as "
    "AuxNumber,max(c.FItemID) as AuxPropID,b.FitemID,d.FISKFPeriod,a.FBatchNoIndex\r\n"
    "from ICInvInitial        a\r\n"
    "inner join t_stock       b on a.Fstockid=b.FitemID\r\n"
    "left  join t_auxItem     c on a.FAuxPropID=c.FitemID\r\n"
    "inner join t_icitem      d on a.FitemID=d.FitemID\r\n"
    "left  join t_MeasureUnit e on d.FUnitID=e.FItemID\r\n";

inline const std::string kBatchGroupClosed =
    " Group by a.FBatchNo,c.Fname,b.Fname,e.FName,a.FKFDate,a.FPeriodDate,b.FNumber,c.Fnumber,"
    "b.FitemID,d.FISKFPeriod,a.FBatchNoIndex ";
inline const std::string kBatchGroupOpen =
    " Group by a.FBatchNo,c.Fname,b.Fname,e.FName,a.FKFDate,a.FdestDate,b.FNumber,c.Fnumber,"
    "b.FitemID,d.FISKFPeriod,a.FBatchNoIndex ";

// GetAux's batch around its conditions: `where` holds everything from " Where a.FitemID=" to the
// stock and aux conditions, `pattern` the doubled name fragment.
inline std::string AuxLookupSql(bool closed, const std::string& where, const std::string& pattern) {
  std::string sql =
      "set nocount on  IF object_id('tempdb..#tempAux') IS NOT NULL DROP TABLE #tempAux \r\n"
      "select c.Fname as AuxName,b.Fname as stockName,isNull(sum(a.FQty),0) as FQty,";
  sql += closed ? "isNull(sum(a.FSecQty),0) as FSecQty,0 as Fprice,isnull(sum(FBal),0) as FAmount,"
                : "isNull(sum(a.FSecQty),0) as FSecQty, isnull(sum(Fprice),0) as Fprice, "
                  "isnull(sum(FAmount),0) as FAmount,";
  sql +=
      " b.FNumber as StockNumber,c.Fnumber as AuxNumber,max(c.FItemID) as AuxPropID,b.FitemID, "
      "1 as FIndex  into #tempAux ";
  sql += closed ? " from t_cc_inventory a inner join t_stock b on a.Fstockid=b.FitemID"
                : " from ICInvInitial a inner join t_stock b on a.Fstockid=b.FitemID";
  sql +=
      " left outer join t_auxItem c on a.FAuxPropID=c.FitemID  inner join t_icitem d on "
      "a.FitemID=d.FitemID";
  sql += where;
  sql +=
      " Group by c.Fname,b.Fname,b.FNumber,c.Fnumber,b.FitemID  order by "
      "c.Fname,b.Fname,b.FNumber,c.Fnumber,b.FitemID "
      " select c.Fname as AuxName,'全部仓库' as stockName, isNull(a.FQty,0) as FQty, "
      "isNull(a.FSecQty,0) as FSecQty,  0 as Fprice,isnull(FAmount,0) as FAmount, '' as "
      "StockNumber,c.Fnumber as AuxNumber,  c.FItemID as AuxPropID, 0 FitemID, 0 as FIndex  "
      "from t_auxItem c left join (  select AuxPropID, isNull(sum(FQty),0) as FQty, "
      "isNull(sum(FSecQty),0) as FSecQty,  0 as Fprice,isnull(sum(FAmount),0) as FAmount  "
      "from #tempAux group by AuxPropID  ) a on a.AuxPropID=c.FitemID ";
  sql += " where c.Fname like '%" + pattern + "%' ";
  sql +=
      " Union  select AuxName,stockName,FQty, FSecQty, Fprice,FAmount, StockNumber,AuxNumber, "
      "AuxPropID, FitemID, FIndex  from #tempAux order by AuxName, FIndex \r\n"
      "IF object_id('tempdb..#tempAux') IS NOT NULL DROP TABLE #tempAux ";
  return sql;
}

}  // namespace qmz::testing
