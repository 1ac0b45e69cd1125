#include "inventory/batch_tracking.h"

#include <exception>

#include "login/login_context.h"
#include "qmz/components.h"

namespace qmz {

bool IsBatchNoTracked(int32_t item_id) {
  try {
    auto item = CreateComponent<ItemInfo>(progid::kItemInfo);
    return item->ISBatchManagerByNoTrack80(GetPropsString(), item_id).ToBool();
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace qmz
