// The pickers' shared column widths, user profile group "BaseList": "ColWidth" holds the widths
// by slot, separated by "|" (other programs of the suite read it too); "ColWidthUser" the slots
// whose width a user chose by dragging a column border.
//
// Slots: frmStock's eleven columns fill slots 0-10 in order. frmSelectBatchNo's unit column (its
// sixth) has slot 5 in a record of twelve or more slots, where the later columns of every picker
// move one slot on; a shorter record has no unit slot. The aux picker's seven columns take the
// slots of frmStock's first seven. So a column reads and writes the same slot whichever picker
// wrote last, and opening and closing the pickers in any order moves nothing.
//
// Failures of the profile components rise to the caller.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace qmz {

class WidthRecord {
 public:
  static WidthRecord Load();

  // The record slot of grid column `col` (from 1) of a picker whose unit column is `unit_col`
  // (0: none), in a record with or without the unit slot; -1 for none.
  static int32_t Slot(int32_t col, int32_t unit_col, bool with_unit);

  // The width of grid column `col`: the remembered width, or `designed` when there is none or it
  // cannot be read. A remembered width narrower than `designed` that no user chose is raised to
  // it: the designed widths hold each column's caption and values, so a width another program or
  // an older version left in a slot never cuts a value, a date or a caption.
  float Width(int32_t col, int32_t unit_col, float designed) const;

  // Writes `widths` (grid column c at c - 1) into their slots and marks the columns `chosen`
  // by the user; the other slots keep what they hold. frmSelectBatchNo opens the unit slot in a
  // shorter record only when its unit column was chosen.
  void Save(const std::vector<float>& widths, const std::vector<bool>& chosen, int32_t unit_col);

 private:
  bool WithUnit() const { return slots_.size() >= 12; }

  std::vector<std::string> slots_;
  std::set<int32_t> chosen_;  // slots as numbered in a record with the unit slot
};

}  // namespace qmz
