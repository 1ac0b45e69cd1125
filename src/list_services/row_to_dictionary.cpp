#include "list_services/row_to_dictionary.h"

#include "platform/text.h"

namespace qmz {

std::shared_ptr<Dictionary> RowToDictionary(const Recordset& recordset) {
  auto row = std::make_shared<Dictionary>();
  row->Reserve(static_cast<size_t>(recordset.FieldCount()));
  bool at_end = recordset.Eof();
  for (int32_t i = 0; i < recordset.FieldCount(); ++i) {
    const std::string& name = recordset.FieldName(i);
    if (at_end) {
      row->Set(name, std::string());
      continue;
    }
    row->Set(name, Trim(NullToDefault(recordset.Value(i), "").ToText()));
  }
  return row;
}

}  // namespace qmz
