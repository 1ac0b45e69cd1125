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
    Variant value = recordset.Value(i);
    std::string text = value.IsNull() ? std::string() : std::move(value).ToText();
    const bool blanks = !text.empty() && (text.front() == ' ' || text.back() == ' ');
    row->Set(name, blanks ? Trim(text) : std::move(text));
  }
  return row;
}

}  // namespace qmz
