// The dialog-free inventory lookups behind BaseList.GetBatch and BaseList.GetAux: the SQL they
// send and the first row they return.
//
// The composers read the inventory-closed flag from the host properties and the warehouse
// authorisation condition (alias "b") from the login context; failures rise to the caller.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "qmz/containers.h"
#include "qmz/recordset.h"

namespace qmz {

struct InventoryQuery {
  int32_t item_id = 0;
  std::string text;  // batch number (GetBatch) or aux name fragment (GetAux)
  int32_t stock_id = 0;
  int32_t aux_id = 0;
  int32_t class_type = 0;
};

std::string ComposeBatchLookupSql(const InventoryQuery& query);
std::string ComposeAuxLookupSql(const InventoryQuery& query);

// Runs the SQL through the class-info component with the login property string; Error when the
// component fails or answers no recordset. Every query of the library goes this way.
RecordsetPtr RunOnClassInfo(const std::string& sql);

// Runs the SQL through the class-info component and returns its current row as a Dictionary.
std::shared_ptr<Dictionary> FetchFirstRow(const std::string& sql);

}  // namespace qmz
