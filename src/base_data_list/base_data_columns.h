// The column definitions of the base-data list for one item class: element k describes grid
// column k + 1 (field shown, title, data type code, hidden). Only class 18 (batch numbers held
// in stock) lists rows; the other classes define their titles over an empty list.
// Pure functions; captions pass through TranslateText.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qmz {

struct ColumnDef {
  std::string FieldName;
  std::string Caption;
  int16_t DataType = 0;  // 3 (integer) shelf life, 5 (double) prices, quantities; else 0
  bool Hidden = false;
};

inline constexpr int16_t kDataTypeInteger = 3;
inline constexpr int16_t kDataTypeDouble = 5;

// The definitions of `class_id`; `app_type` is the host's application type (class 18 hides the
// auxiliary property column for application type 1).
std::vector<ColumnDef> TitleColumns(int32_t class_id, int32_t app_type);

// Data type codes shown right-aligned (numbers).
bool IsNumericDataType(int16_t data_type);

}  // namespace qmz
