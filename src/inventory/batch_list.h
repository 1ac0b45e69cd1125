// The batch list as the batch pickers read it, read the same way for the pickers and for
// BaseList.AllocateBatches, so that a picker's preselection and an allocation agree:
//  - the batch list query of the picker (inventory/batch_query.h);
//  - the warehouse condition where data authorisation applies: in a dialog under application
//    type 4 only, without a dialog always (login/authorization.h);
//  - the expired rows left out when the host sets HideExpired (inventory/batch_expiry.h);
//  - first-expiry-first under BatchOrder=FEFO (frmStock only): by the expiry date the grid
//    shows, then the batch number as the database collates it, rows without an expiry last,
//    rows alike in the order the database grouped them.
// Without HideExpired and FEFO the list is the recordset the middle tier answered.
//
// Errors of the middle tier and the host's expiry properties rise to the caller; a read the user
// stops raises ReadStopped. The user-interface thread, as every list's query.
#pragma once

#include <vector>

#include "inventory/batch_allocation.h"
#include "inventory/batch_expiry.h"
#include "inventory/batch_query.h"
#include "login/authorization.h"
#include "qmz/recordset.h"

namespace qmz {

struct BatchList {
  RecordsetPtr records;          // the rows shown, in order
  std::vector<StockRow> rows;    // the stock row of each record, in the same order
  std::vector<StockRow> hidden;  // the expired rows HideExpired left out, as read
};

// `input.auth_filter` is set here, from `context`.
BatchList ReadBatchList(BatchPicker picker, BatchQueryInput input, AuthContext context,
                        const ExpiryRules& rules);

}  // namespace qmz
