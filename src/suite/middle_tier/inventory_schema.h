// The suite's master-data and inventory tables as the library's queries read them: t_icitem,
// t_stock, t_auxItem, t_MeasureUnit, the running balance t_cc_inventory (with FBal) and the
// opening balance ICInvInitial (with Fprice, FAmount and FdestDate). Only t_cc_inventory has
// FBal and only ICInvInitial has Fprice and FAmount, because the queries name them unqualified.
// Text columns use the TSQL collation; dates are 'YYYY-MM-DD' texts.
#pragma once

namespace qmz::suite {

const char* InventorySchema();

}  // namespace qmz::suite
