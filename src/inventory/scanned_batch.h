// A batch text as a scanner types it: with the host flag ScanGS1 set, a text that is a GS1 label
// (inventory/gs1_label.h) stands for the label's batch number and expiry date. With ScanGS1
// unset, or for a text that is no label, the text is the batch as typed (nullopt), as it always
// was.
//
// The label's number in the item's stock is its serial number (21) for an item tracked by
// number, else its batch (10); a batch number compares as the database compares it (ASCII case
// and trailing blanks aside: "(10)b2601" finds B2601).
//
// Errors (qmz::Error, a message in Chinese for the clerk naming what was read): a malformed
// label; a label without the number the item needs; a label of another GTIN than the host
// property ItemGTIN. ItemGTIN (8 to 14 digits, blanks around it aside, compared as GTIN-14)
// checks labels only when it is set and not blank; one that is no GTIN is named as the item's
// registered barcode, not the label. Reads the host properties; any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "inventory/batch_expiry.h"
#include "qmz/recordset.h"

namespace qmz {

struct ScannedBatch {
  std::string text;  // what was scanned
  std::string batch;
  std::string serial;
  std::optional<Day> expiry;
  // The number the label stands for in the stock of an item tracked by number (its serial, or
  // its batch when it has none) or not (its batch); Error when the label has none.
  std::string NumberFor(bool tracked_by_number) const;
};

std::optional<ScannedBatch> ReadScannedBatch(const std::string& text);
// Whether the host asks for scanned labels (ScanGS1); Error for a value that is no flag.
bool ScanningRequested();

// Whether two batch numbers are the same to the database.
bool SameBatch(std::string_view a, std::string_view b);

// The position (from 1) of the first record of `list` holding `number` whose expiry
// (FISKFPeriod, FPeriodDate, as the grid shows it) is `expiry`, else of the first holding
// `number`; 0 when none does. Errors of the recordset pass.
int32_t FindScannedRecord(Recordset& list, const std::string& number, std::optional<Day> expiry);

}  // namespace qmz
