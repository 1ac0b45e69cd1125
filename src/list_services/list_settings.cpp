#include "list_services/list_settings.h"

namespace qmz {

SharedListSettings& ListSettings() {
  thread_local SharedListSettings settings;
  return settings;
}

void ResetListSettingsForNewBaseList() {
  SharedListSettings& settings = ListSettings();
  settings.KeyWord.clear();
  settings.Filter.clear();
  settings.ListClassID = 0;
  settings.LocatePending = false;
  settings.RequiredQty = 0;
}

}  // namespace qmz
