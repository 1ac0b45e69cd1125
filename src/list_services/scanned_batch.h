// A batch text as a scanner types it: with the host property ScanGS1 set (1, true), a text that
// is a GS1 label (list_services/gs1_label.h) stands for the label's batch and expiry date. With
// ScanGS1 unset, or for a text that is no label, the text is the batch as typed (nullopt), as it
// always was.
//
// Errors (qmz::Error, the message naming what was read): a malformed label, a label without a
// batch, and a label of another GTIN than the host property ItemGTIN (8 to 14 digits, compared
// as GTIN-14) when the host publishes one. Reads the host properties; any thread.
#pragma once

#include <optional>
#include <string>

namespace qmz {

struct ScannedBatch {
  std::string batch;
  std::string expiry;  // "YYYY-MM-DD", or "" when the label has none
};

std::optional<ScannedBatch> ReadScannedBatch(const std::string& text);
// Whether the host asks for scanned labels (ScanGS1); never fails.
bool ScanningRequested();

}  // namespace qmz
