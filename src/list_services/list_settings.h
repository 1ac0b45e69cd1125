// The shared list settings: the values behind BaseList's properties, once per thread and shared
// by every BaseList, BaseDetail and frmBaseList on that thread. The last writer wins.
#pragma once

#include <cstdint>
#include <string>

#include "qmz/variant.h"

namespace qmz {

struct SharedListSettings {
  std::string KeyWord;
  std::string Filter;
  std::string FilterItem;
  int16_t ListClassID = 0;
  bool LocatePending = false;
  ObjectPtr ItemExtInfo;
  // The quantity the multi-row batch pickers preselect rows to cover; 0 or less: none.
  double RequiredQty = 0;
};

// This thread's settings.
SharedListSettings& ListSettings();

// What creating a BaseList does: KeyWord and Filter emptied, ListClassID 0, LocatePending
// false, no RequiredQty; FilterItem and ItemExtInfo stay.
void ResetListSettingsForNewBaseList();

}  // namespace qmz
