// The aux list query: for one item, one total row per auxiliary property of t_auxItem (summed
// over the warehouses, stockName "全部仓库", FIndex 0) followed by that property's warehouse
// rows (FIndex 1), through the temporary table #tempAux. Pure text composition; the fragment T
// is trimmed and has its single quotes doubled in every LIKE pattern.
#pragma once

#include <cstdint>
#include <string>

namespace qmz {

struct AuxQueryInput {
  bool closed = true;  // the inventory is closed for initial entry
  int32_t item_id = 0;
  int32_t class_type = 0;
  std::string auth_filter;  // " And ..." or empty; only given for application type 4
  bool hide_zero = false;   // chkShowZero ticked: leave out quantities of zero
  int32_t stock_id = 0;
  std::string box_text;  // txtAux
};

std::string ComposeAuxListQuery(const AuxQueryInput& input);

}  // namespace qmz
