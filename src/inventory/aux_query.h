// The aux queries, of the aux picker's list and of GetAux alike: for one item, one total row per
// auxiliary property of t_auxItem (summed over the warehouses, stockName "全部仓库", FIndex 0)
// followed by that property's warehouse rows (FIndex 1), through the temporary table #tempAux.
// Pure text composition; a text placed in a LIKE pattern has its single quotes doubled.
#pragma once

#include <cstdint>
#include <string>

namespace qmz {

struct InventoryRequest;

struct AuxQueryInput {
  bool closed = true;  // the inventory is closed for initial entry
  int32_t item_id = 0;
  int32_t class_type = 0;
  std::string auth_filter;  // " And ..." or empty; only given for application type 4
  bool hide_zero = false;   // chkShowZero ticked: leave out quantities of zero
  int32_t stock_id = 0;
  std::string box_text;  // txtAux
};

// The picker's list: the fragment (box_text) is trimmed and matches a property's name or
// number.
std::string ComposeAuxListQuery(const AuxQueryInput& input);

// GetAux's lookup: the request's text, as given, matches a property's name; its warehouse and
// property narrow the rows. `closed` and `auth_filter` as in AuxQueryInput.
std::string ComposeAuxLookupSql(const InventoryRequest& query, bool closed,
                                const std::string& auth_filter);

}  // namespace qmz
