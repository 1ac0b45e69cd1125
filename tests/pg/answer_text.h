// What the server tests share: a lookup's answer as one text, a lookup of every kind of column,
// and what the scripts that start their servers tell them.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>

#include "qmz/containers.h"
#include "qmz/recordset.h"

namespace qmz::testing {

// Every key and value of an answer ("key=value;" each), or "null" for no dictionary.
inline std::string Text(const ObjectPtr& answer) {
  auto row = std::dynamic_pointer_cast<Dictionary>(answer);
  if (!row) return "null";
  std::string text;
  for (const auto& [key, value] : row->Entries()) text += key + "=" + value.ToText() + ";";
  return text;
}

// Every kind of column a lookup may answer, but a zoned timestamp; what it answers, each column's
// name, kind and value (Described).
constexpr char kEveryKindLookup[] =
    "select 5::int2 as i2, 7 as i4, 5000000000 as i8, 12::oid as o, 0.1::float4 as f4, "
    "0.1::float8 as F8, 1.50 as n, 'NaN'::numeric as nan, 1e300::float8 * 10 as big, "
    "1e400::numeric as huge, -1e400::numeric as nhuge, 1e-400::numeric as tiny, "
    "'仓😀 '::text as t, 'v'::varchar as v, 'x'::char(3) as bp, 'nm'::name as nm, "
    "FNumber as ci, date '2026-01-02' as d, timestamp '2026-01-02 03:04:05.5' as ts, "
    "true as yes, false as no, null::int as ni, null::text as nt "
    "from t_stock where FItemID = 1";
constexpr char kEveryKindAnswer[] =
    "i2:3=5;i4:3=7;i8:3=5000000000;o:3=12;f4:4=0.1;F8:4=0.1;n:4=1.5;nan:4=NaN;"
    "big:4=1E+301;huge:4=Infinity;nhuge:4=-Infinity;tiny:4=0;t:5=仓😀 ;v:5=v;bp:5=x  "
    ";nm:5=nm;ci:5=01;d:5=2026-01-02;"
    "ts:5=2026-01-02 03:04:05.5;yes:5=1;no:5=0;ni:1=;nt:1=;";

// The first row of `rows`: "name:kind=value;" for each column.
inline std::string Described(const RecordsetPtr& rows) {
  std::string text;
  for (int32_t c = 0; c < rows->FieldCount(); ++c) {
    const Variant value = rows->Value(c);
    text += rows->FieldName(c) + ":" + std::to_string(static_cast<int>(value.type())) + "=" +
            (value.IsNull() ? "" : value.ToText()) + ";";
  }
  return text;
}

// The environment variable `name` that tests/pg/server.sh or site.sh set, "" when run alone.
inline std::string FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace qmz::testing
