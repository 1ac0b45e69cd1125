#include "base_data_list/base_data_query.h"

#include "platform/number_format.h"
#include "platform/text.h"
#include "qmz/variant.h"

namespace qmz {

namespace {

const char kCrLf[] = "\r\n";

// The query around its select line, where-line and closing line.
std::string Compose(const std::string& select_line, const std::string& where_line,
                    const std::string& auth_filter, const std::string& closing_line) {
  std::string sql = "SELECT * FROM (";
  sql += kCrLf;
  sql += select_line + kCrLf;
  sql += "From t_cc_Inventory t1   ";
  sql += kCrLf;
  sql += "Inner Join t_Stock t2 on t1.FStockID=t2.FItemID   ";
  sql += kCrLf;
  sql +=
      "Inner Join t_ICItem t3 on t1.FItemID=t3.FItemID And (t3.FBatchManager=1 OR "
      "t3.FIsBatchManager=1)";
  sql += kCrLf;
  sql += "Inner Join t_MeasureUnit t4 on t3.FUnitID=t4.FItemID   ";
  sql += kCrLf;
  sql += "Left Join t_AuxItem t6 on t1.FAuxPropID=t6.FItemID ";
  sql += kCrLf;
  sql += where_line + kCrLf;
  sql += auth_filter;
  sql += closing_line + kCrLf;
  return sql;
}

bool Blank(const std::string& text) {
  return Trim(text).empty();
}

}  // namespace

std::string ComposeBaseDataQuery(const std::string& number, const std::string& filter_item,
                                 const std::string& auth_filter) {
  std::string sql = Compose(
      "Select t6.FName as FAuxPropName,t1.FItemID,t1.FBatchNo,FQty,t1.FStockID,t2.FName as "
      "FStockName, case when t1.FKFPeriod <0 or t1.FKFDate='1900-01-01' then null else "
      "t1.FKFDate end as FKFDate ,t1.FKFPeriod,t2.FTypeID ",
      "Where 2=2 and 3=3 ", auth_filter, " ) as T1 where 1=1 order by FBatchNo,FStockName");
  if (!Blank(number)) {
    sql = ReplaceAll(sql, "2=2", "t1.FBatchNo Like '%" + DoubleQuotes(number) + "%'");
  }
  if (!Blank(filter_item)) sql = ReplaceAll(sql, "3=3", filter_item);
  return sql;
}

std::string ComposeBatchRowsQuery(const std::string& batch, const std::string& filter,
                                  const std::string& row_filter, const std::string& auth_filter) {
  std::string sql = Compose(
      "Select 0 as FStockPlaceID,t1.FAuxPropID,t6.FName as "
      "FAuxPropName,t1.FItemID,t1.FBatchNo,FQty,t1.FStockID,t2.FName as "
      "FStockName,t1.FKFDate,t1.FKFPeriod,t2.FTypeID ",
      "Where 2=2 ", auth_filter, " ) as T1 where 1=1 and 3=3 order by FBatchNo,FStockName");
  if (!Blank(batch)) {
    sql = ReplaceAll(sql, "2=2", "t1.FBatchNo Like '" + DoubleQuotes(batch) + "'");
  }
  if (!Blank(filter)) sql = ReplaceAll(sql, "1=1", filter);
  if (!Blank(row_filter)) sql = ReplaceAll(sql, "3=3", row_filter);
  return sql;
}

std::string ReturnRowFilter(const std::string& stock_cell, const std::string& period_cell,
                            const std::string& date_cell) {
  std::string period_text = Trim(period_cell);
  double period = LeadingNumber(period_text);
  std::string filter = "FStockID=" + DoubleToText(LeadingNumber(Trim(stock_cell)));
  filter += " AND FKFPeriod=" + DoubleToText(period);
  std::string date = Trim(date_cell);
  double numeric_period = 0;
  if (ParseNumber(period_text, numeric_period) && date.empty() && numeric_period < 0) {
    date = "1900-01-01";
  }
  if (!date.empty()) filter += " AND FKFDate='" + DoubleQuotes(date) + "'";
  return filter;
}

}  // namespace qmz
