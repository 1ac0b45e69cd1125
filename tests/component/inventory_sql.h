// The inventory SQL the tests check, written out once: the base-data list's queries around their
// one varying part, the where-lines (with the warehouse condition) and the outer query's
// conditions; the first batch picker's query (head, where, grouping), which GetBatch's lookup
// shares; GetAux's batch around its conditions.
#pragma once

#include <string>

namespace qmz::testing {

// The base-data list of batches (class 18) and the inventory rows of the chosen batch, around
// their where-lines (with the warehouse condition) and the outer query's conditions.
inline const std::string kBaseDataJoins =
    "From t_cc_Inventory t1   \r\n"
    "Inner Join t_Stock t2 on t1.FStockID=t2.FItemID   \r\n"
    "Inner Join t_ICItem t3 on t1.FItemID=t3.FItemID And (t3.FBatchManager=1 OR "
    "t3.FIsBatchManager=1)\r\n"
    "Inner Join t_MeasureUnit t4 on t3.FUnitID=t4.FItemID   \r\n"
    "Left Join t_AuxItem t6 on t1.FAuxPropID=t6.FItemID \r\n";

inline std::string BaseDataListSql(const std::string& where) {
  return "SELECT * FROM (\r\n"
         "Select t6.FName as FAuxPropName,t1.FItemID,t1.FBatchNo,FQty,t1.FStockID,t2.FName as "
         "FStockName, case when t1.FKFPeriod <0 or t1.FKFDate='1900-01-01' then null else "
         "t1.FKFDate end as FKFDate ,t1.FKFPeriod,t2.FTypeID \r\n" +
         kBaseDataJoins + where + " ) as T1 where 1=1 order by FBatchNo,FStockName\r\n";
}

inline std::string BatchRowsSql(const std::string& where, const std::string& outer) {
  return "SELECT * FROM (\r\n"
         "Select 0 as FStockPlaceID,t1.FAuxPropID,t6.FName as "
         "FAuxPropName,t1.FItemID,t1.FBatchNo,FQty,t1.FStockID,t2.FName as "
         "FStockName,t1.FKFDate,t1.FKFPeriod,t2.FTypeID \r\n" +
         kBaseDataJoins + where + " ) as T1 where " + outer + " order by FBatchNo,FStockName\r\n";
}

// The first batch picker's select list and joins over the running balance (the inventory closed)
// and over the opening balance, up to its where.
inline const std::string kStockListHeadClosed =
    "select a.FBatchNo,c.Fname as AuxName,b.Fname as stockName,isNull(sum(a.FQty),"
    "0) as FQty,e.FName As FUnitName,isNull(sum(a.FSecQty),0) as FSecQty,"
    "0 as Fprice,isnull(sum(FBal),0) as FAmount,\r\n"
    "a.FKFDate,a.FPeriodDate,b.FNumber as StockNumber,c.Fnumber as AuxNumber,"
    "max(c.FItemID) as AuxPropID,b.FitemID,d.FISKFPeriod,a.FBatchNoIndex \r\n"
    "from t_cc_inventory      a\r\n"
    "inner join t_stock       b on a.Fstockid=b.FitemID\r\n"
    "left  join t_auxItem     c on a.FAuxPropID=c.FitemID\r\n"
    "inner join t_icitem      d on a.FitemID=d.FitemID\r\n"
    "left  join t_MeasureUnit e on d.FUnitID=e.FItemID\r\n";
inline const std::string kStockListHeadOpen =
    "select a.FBatchNo,c.Fname as AuxName,b.Fname as stockName,isNull(sum(a.FQty),"
    "0) as FQty,e.FName As FUnitName,isNull(sum(a.FSecQty),0) as FSecQty,"
    " isnull(sum(Fprice),0) as Fprice, isnull(sum(FAmount),0) as FAmount,\r\n"
    "a.FKFDate,a.FdestDate as FPeriodDate,b.FNumber as StockNumber,c.Fnumber "
    "as AuxNumber,max(c.FItemID) as AuxPropID,b.FitemID,d.FISKFPeriod,a.FBatchNoIndex\r\n"
    "from ICInvInitial        a\r\n"
    "inner join t_stock       b on a.Fstockid=b.FitemID\r\n"
    "left  join t_auxItem     c on a.FAuxPropID=c.FitemID\r\n"
    "inner join t_icitem      d on a.FitemID=d.FitemID\r\n"
    "left  join t_MeasureUnit e on d.FUnitID=e.FItemID\r\n";

// The grouping that ends both batch pickers' queries, over either balance.
inline std::string StockListGroupBy(bool closed) {
  return std::string(" Group by a.FBatchNo,c.Fname,b.Fname,e.FName,a.FKFDate,") +
         (closed ? "a.FPeriodDate" : "a.FdestDate") +
         ",b.FNumber,c.Fnumber,b.FitemID,d.FISKFPeriod,a.FBatchNoIndex ";
}
// The first batch picker's query, which GetBatch's lookup shares: `where` follows " Where ".
inline std::string StockListSql(bool closed, const std::string& where) {
  return (closed ? kStockListHeadClosed : kStockListHeadOpen) + " Where " + where +
         StockListGroupBy(closed);
}

// GetAux's T-SQL batch: `where` follows "Where a.FitemID=", `like` the totals' "where ".
inline std::string AuxLookupSql(bool closed, const std::string& where, const std::string& like) {
  const std::string grouped =
      closed ? "0 as Fprice,isnull(sum(FBal),0) as FAmount, "
             : " isnull(sum(Fprice),0) as Fprice, isnull(sum(FAmount),0) as FAmount, ";
  const std::string source = closed ? "from t_cc_inventory a " : "from ICInvInitial a ";
  return "set nocount on  IF object_id('tempdb..#tempAux') IS NOT NULL DROP TABLE #tempAux \r\n"
         "select c.Fname as AuxName,b.Fname as stockName,isNull(sum(a.FQty),0) as FQty,"
         "isNull(sum(a.FSecQty),0) as FSecQty," +
         grouped +
         "b.FNumber as StockNumber,c.Fnumber as AuxNumber,max(c.FItemID) as AuxPropID,"
         "b.FitemID, 1 as FIndex  into #tempAux  " +
         source +
         "inner join t_stock b on a.Fstockid=b.FitemID left outer join t_auxItem c on "
         "a.FAuxPropID=c.FitemID  inner join t_icitem d on a.FitemID=d.FitemID Where a.FitemID=" +
         where +
         " Group by c.Fname,b.Fname,b.FNumber,c.Fnumber,b.FitemID  order by c.Fname,b.Fname,"
         "b.FNumber,c.Fnumber,b.FitemID  select c.Fname as AuxName,'全部仓库' as stockName, "
         "isNull(a.FQty,0) as FQty, isNull(a.FSecQty,0) as FSecQty,  0 as Fprice,"
         "isnull(FAmount,0) as FAmount, '' as StockNumber,c.Fnumber as AuxNumber,  c.FItemID "
         "as AuxPropID, 0 FitemID, 0 as FIndex  from t_auxItem c left join (  select AuxPropID, "
         "isNull(sum(FQty),0) as FQty, isNull(sum(FSecQty),0) as FSecQty,  0 as Fprice,"
         "isnull(sum(FAmount),0) as FAmount  from #tempAux group by AuxPropID  ) a on "
         "a.AuxPropID=c.FitemID  where " +
         like +
         "  Union  select AuxName,stockName,FQty, FSecQty, Fprice,FAmount, StockNumber,"
         "AuxNumber, AuxPropID, FitemID, FIndex  from #tempAux order by AuxName, FIndex \r\n"
         "IF object_id('tempdb..#tempAux') IS NOT NULL DROP TABLE #tempAux ";
}

}  // namespace qmz::testing
