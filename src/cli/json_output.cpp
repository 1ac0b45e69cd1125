#include "cli/json_output.h"

#include "qmz/containers.h"
#include "qmz/recordset.h"

namespace qmz::cli {

namespace {

Json RecordsetToJson(const Recordset& records) {
  Json rows = Json::array();
  for (int32_t position = 1; position <= records.RecordCount(); ++position) {
    Json row = Json::object();
    auto values = records.RecordValues(position);
    for (int32_t field = 0; field < records.FieldCount(); ++field) {
      row[records.FieldName(field)] = ToJson(values[static_cast<size_t>(field)]);
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

Json ObjectToJson(const ObjectPtr& object) {
  if (!object) return nullptr;
  if (auto dictionary = std::dynamic_pointer_cast<Dictionary>(object)) {
    Json out = Json::object();
    for (const auto& [key, value] : dictionary->Entries()) out[key] = ToJson(value);
    return out;
  }
  if (auto vector = std::dynamic_pointer_cast<Vector>(object)) {
    Json out = Json::array();
    for (int32_t i = 1; i <= vector->Count(); ++i) out.push_back(ObjectToJson(vector->Item(i)));
    return out;
  }
  if (auto records = std::dynamic_pointer_cast<Recordset>(object)) return RecordsetToJson(*records);
  return "<object>";
}

}  // namespace

Json ToJson(const Variant& value) {
  switch (value.type()) {
    case Variant::Type::Empty:
    case Variant::Type::Null:
      return nullptr;
    case Variant::Type::Boolean:
      return value.ToBool();
    case Variant::Type::Integer:
      return value.ToInt64();
    case Variant::Type::Double:
      return value.ToDouble();
    case Variant::Type::Text:
      return value.ToText();
    case Variant::Type::Object:
      return ObjectToJson(value.AsObject());
  }
  return nullptr;
}

}  // namespace qmz::cli
