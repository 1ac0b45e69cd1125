#include "picker/item_header_query.h"

namespace qmz {

std::string ComposeItemHeaderQuery(int32_t item_id) {
  return "select a.FNumber,a.Fname,a.Fmodel from t_icitem a Where a.FitemID=" +
         std::to_string(item_id);
}

}  // namespace qmz
