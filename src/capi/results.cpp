// Results: null, a scalar, a dictionary, a vector of dictionaries or a recordset, read by
// index; every text handed out is kept in the result.
#include "capi/handles.h"
#include "cli/json_output.h"
#include "qmz/recordset.h"

namespace qmz::capi {
namespace {

std::shared_ptr<ResultData> FindResult(const qmz_result* result, const char* what) {
  return Find<ResultData>(result, Kind::kResult, what);
}

const char* KindName(qmz_result_kind kind) {
  switch (kind) {
    case QMZ_RESULT_NULL:
      return "null";
    case QMZ_RESULT_SCALAR:
      return "a scalar";
    case QMZ_RESULT_DICTIONARY:
      return "a dictionary";
    case QMZ_RESULT_VECTOR:
      return "a vector";
    case QMZ_RESULT_RECORDSET:
      return "a recordset";
    case QMZ_RESULT_OTHER:
      break;
  }
  return "another object";
}

template <class T>
std::shared_ptr<T> As(const ResultData& result, qmz_result_kind wanted, const char* what) {
  qmz_result_kind kind = KindOf(result.value);
  if (kind != wanted) {
    Fail(QMZ_E_KIND,
         std::string(what) + ": the result is " + KindName(kind) + ", not " + KindName(wanted));
  }
  return result.value.As<T>();
}

void RequireIndex(size_t index, size_t count, const char* what) {
  if (index >= count) {
    Fail(QMZ_E_ARGUMENT, std::string(what) + ": index " + std::to_string(index) +
                             " is outside 0.." + std::to_string(count) + " (exclusive)");
  }
}

}  // namespace

qmz_result_kind KindOf(const Variant& value) {
  if (value.IsEmpty() || value.IsNull()) return QMZ_RESULT_NULL;
  if (!value.IsObject()) return QMZ_RESULT_SCALAR;
  ObjectPtr object = value.AsObject();
  if (!object) return QMZ_RESULT_NULL;
  if (std::dynamic_pointer_cast<Dictionary>(object)) return QMZ_RESULT_DICTIONARY;
  if (std::dynamic_pointer_cast<Vector>(object)) return QMZ_RESULT_VECTOR;
  if (std::dynamic_pointer_cast<Recordset>(object)) return QMZ_RESULT_RECORDSET;
  return QMZ_RESULT_OTHER;
}

bool PackTexts(const Dictionary& dictionary, std::string& out, std::string* why) {
  out.clear();
  bool first = true;
  for (const auto& [key, value] : dictionary.Entries()) {
    if (!value.IsText()) {
      if (why) *why = "the value of " + key + " is no text";
      return false;
    }
    const std::string text = value.ToText();
    if (key.find('\0') != std::string::npos || text.find('\0') != std::string::npos) {
      if (why) *why = "the entry " + key + " holds a NUL";
      return false;
    }
    if (!first) out += '\0';
    first = false;
    out += key;
    out += '\0';
    out += text;
  }
  return true;
}
}  // namespace qmz::capi

using namespace qmz::capi;

extern "C" {

qmz_status qmz_result_destroy(qmz_result* result) {
  return StatusOf([&] { RemoveHandle(TokenOf(result), Kind::kResult, "qmz_result_destroy"); });
}

qmz_status qmz_result_kind_of(const qmz_result* result, qmz_result_kind* kind) {
  return StatusOf([&] {
    auto data = FindResult(result, "qmz_result_kind_of");
    Require(kind, "kind");
    *kind = KindOf(data->value);
  });
}

qmz_status qmz_result_json(const qmz_result* result, const char** json) {
  return StatusOf([&] {
    auto data = FindResult(result, "qmz_result_json");
    Require(json, "json");
    if (!data->has_json) {
      // As the baselist command prints a result (src/cli/commands.cpp).
      data->json = qmz::cli::ToJson(data->value)
                       .dump(2, ' ', false, qmz::cli::Json::error_handler_t::replace);
      data->has_json = true;
    }
    *json = data->json.c_str();
  });
}

qmz_status qmz_value_json(const qmz_result* result, const char** json) {
  return qmz_result_json(result, json);
}

qmz_status qmz_result_scalar(const qmz_result* result, qmz_value* value) {
  return StatusOf([&] {
    auto data = FindResult(result, "qmz_result_scalar");
    Require(value, "value");
    qmz_result_kind kind = KindOf(data->value);
    if (kind != QMZ_RESULT_SCALAR && kind != QMZ_RESULT_NULL) {
      Fail(QMZ_E_KIND, std::string("qmz_result_scalar: the result is ") + KindName(kind));
    }
    *value = FromVariant(data->value, *data, 0);
  });
}

qmz_status qmz_dict_count(const qmz_result* result, size_t* count) {
  return StatusOf([&] {
    auto data = FindResult(result, "qmz_dict_count");
    Require(count, "count");
    *count = As<qmz::Dictionary>(*data, QMZ_RESULT_DICTIONARY, "qmz_dict_count")->Entries().size();
  });
}

qmz_status qmz_dict_entry(const qmz_result* result, size_t index, const char** key,
                          qmz_value* value) {
  return StatusOf([&] {
    auto data = FindResult(result, "qmz_dict_entry");
    Require(key, "key");
    Require(value, "value");
    auto dictionary = As<qmz::Dictionary>(*data, QMZ_RESULT_DICTIONARY, "qmz_dict_entry");
    const auto& entries = dictionary->Entries();
    RequireIndex(index, entries.size(), "qmz_dict_entry");
    qmz_value out = FromVariant(entries[index].second, *data, index);
    *key = entries[index].first.c_str();
    *value = out;
  });
}

qmz_status qmz_dict_entries(const qmz_result* result, const char** keys, qmz_value* values,
                            size_t capacity, size_t* count) {
  return StatusOf([&] {
    auto data = FindResult(result, "qmz_dict_entries");
    Require(count, "count");
    if (capacity > 0) {
      Require(keys, "keys");
      Require(values, "values");
    }
    auto dictionary = As<qmz::Dictionary>(*data, QMZ_RESULT_DICTIONARY, "qmz_dict_entries");
    const auto& entries = dictionary->Entries();
    for (size_t i = 0; i < entries.size() && i < capacity; ++i) {
      values[i] = FromVariant(entries[i].second, *data, i);
      keys[i] = entries[i].first.c_str();
    }
    *count = entries.size();
  });
}

qmz_status qmz_dict_texts(const qmz_result* result, const char** packed, size_t* length) {
  return StatusOf([&] {
    auto data = FindResult(result, "qmz_dict_texts");
    Require(packed, "packed");
    Require(length, "length");
    auto dictionary = As<qmz::Dictionary>(*data, QMZ_RESULT_DICTIONARY, "qmz_dict_texts");
    if (!data->has_packed) {
      std::string why;
      if (!PackTexts(*dictionary, data->packed, &why)) Fail(QMZ_E_KIND, "qmz_dict_texts: " + why);
      data->has_packed = true;
    }
    *packed = data->packed.c_str();
    *length = data->packed.size();
  });
}

qmz_status qmz_dict_get(const qmz_result* result, const char* key, qmz_value* value) {
  return StatusOf([&] {
    auto data = FindResult(result, "qmz_dict_get");
    Require(key, "key");
    Require(value, "value");
    auto dictionary = As<qmz::Dictionary>(*data, QMZ_RESULT_DICTIONARY, "qmz_dict_get");
    const auto& entries = dictionary->Entries();
    for (size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].first == key) {
        *value = FromVariant(entries[i].second, *data, i);
        return;
      }
    }
    Fail(QMZ_E_NOT_FOUND, std::string("qmz_dict_get: no key ") + key);
  });
}

qmz_status qmz_vector_count(const qmz_result* result, size_t* count) {
  return StatusOf([&] {
    auto data = FindResult(result, "qmz_vector_count");
    Require(count, "count");
    *count =
        static_cast<size_t>(As<qmz::Vector>(*data, QMZ_RESULT_VECTOR, "qmz_vector_count")->Count());
  });
}

qmz_status qmz_result_item(const qmz_result* result, size_t index, qmz_result** out) {
  return StatusOf([&] {
    auto data = FindResult(result, "qmz_result_item");
    Require(out, "out");
    auto vector = As<qmz::Vector>(*data, QMZ_RESULT_VECTOR, "qmz_result_item");
    RequireIndex(index, static_cast<size_t>(vector->Count()), "qmz_result_item");
    qmz::ObjectPtr item = vector->Item(static_cast<int32_t>(index) + 1);
    *out = HandleOf<qmz_result>(AddResult(qmz::Variant(item)));
  });
}

qmz_status qmz_recordset_field_count(const qmz_result* result, size_t* count) {
  return StatusOf([&] {
    auto data = FindResult(result, "qmz_recordset_field_count");
    Require(count, "count");
    *count = static_cast<size_t>(
        As<qmz::Recordset>(*data, QMZ_RESULT_RECORDSET, "qmz_recordset_field_count")->FieldCount());
  });
}

qmz_status qmz_recordset_field_name(const qmz_result* result, size_t field, const char** name) {
  return StatusOf([&] {
    auto data = FindResult(result, "qmz_recordset_field_name");
    Require(name, "name");
    auto records = As<qmz::Recordset>(*data, QMZ_RESULT_RECORDSET, "qmz_recordset_field_name");
    RequireIndex(field, static_cast<size_t>(records->FieldCount()), "qmz_recordset_field_name");
    *name = records->FieldName(static_cast<int32_t>(field)).c_str();
  });
}

qmz_status qmz_recordset_record_count(const qmz_result* result, size_t* count) {
  return StatusOf([&] {
    auto data = FindResult(result, "qmz_recordset_record_count");
    Require(count, "count");
    *count = static_cast<size_t>(
        As<qmz::Recordset>(*data, QMZ_RESULT_RECORDSET, "qmz_recordset_record_count")
            ->RecordCount());
  });
}

qmz_status qmz_recordset_value(const qmz_result* result, size_t record, size_t field,
                               qmz_value* value) {
  return StatusOf([&] {
    auto data = FindResult(result, "qmz_recordset_value");
    Require(value, "value");
    auto records = As<qmz::Recordset>(*data, QMZ_RESULT_RECORDSET, "qmz_recordset_value");
    size_t fields = static_cast<size_t>(records->FieldCount());
    RequireIndex(record, static_cast<size_t>(records->RecordCount()), "qmz_recordset_value");
    RequireIndex(field, fields, "qmz_recordset_value");
    auto values = records->RecordValues(static_cast<int32_t>(record) + 1);
    *value = FromVariant(values[field], *data, record * fields + field);
  });
}

}  // extern "C"
