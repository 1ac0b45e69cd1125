#include "base_data_list/base_data_columns.h"

#include "login/language.h"

namespace qmz {

namespace {

// Upper bound of the definition list per class.
int32_t UpperBound(int32_t class_id) {
  switch (class_id) {
    case 4:
    case -117:
    case -118:
    case -119:
    case -121:
      return 4;
    case 18:
      return 10;
    default:
      return 3;
  }
}

void Set(ColumnDef& column, const std::string& caption, const std::string& field,
         int16_t data_type = 0) {
  column.Caption = caption.empty() ? std::string() : TranslateText(caption);
  column.FieldName = field;
  if (data_type != 0) column.DataType = data_type;
}

// Classes with the code/name pair: the id field of element 1.
const char* IdFieldOf(int32_t class_id) {
  if (class_id >= 1 && class_id <= 8) return "FItemID";
  if (class_id == 11 || (class_id >= 20 && class_id <= 129) || class_id >= 131) {
    return "FInterID";
  }
  switch (class_id) {
    case 12:
      return "FCurrencyID";
    case 13:
      return "FAccountID";
    case 15:
    case 16:
      return "FItemId";
    case -5:
      return "FUserID";
    default:
      return "FItemID";
  }
}

void FillBatchColumns(std::vector<ColumnDef>& c, int32_t app_type) {
  c[0].FieldName = "FBatchNo";
  c[1].FieldName = "FBatchNo";
  Set(c[2], "批号", "FBatchNo");
  Set(c[3], "辅助属性名称", "FAuxPropName");
  c[3].Hidden = app_type == 1;
  Set(c[4], "数量", "FQty", kDataTypeDouble);
  Set(c[5], "仓库", "FStockName");
  Set(c[6], "生产/采购日期", "FKFDate");
  Set(c[7], "保质期", "FKFPeriod", kDataTypeInteger);
  Set(c[8], "仓位", "FStockName");
  c[8].Hidden = true;
  c[9].FieldName = "FStockID";
  c[9].Hidden = true;
  c[10].FieldName = "FStockID";
  c[10].Hidden = true;
}

}  // namespace

std::vector<ColumnDef> TitleColumns(int32_t class_id, int32_t app_type) {
  std::vector<ColumnDef> c(static_cast<size_t>(UpperBound(class_id) + 1));
  c[0].FieldName = "FBrNo";
  c[0].Hidden = true;
  c[1].Hidden = true;
  if (class_id == 18) {
    FillBatchColumns(c, app_type);
  } else if (class_id == 17) {
    c[0].FieldName = "FInterID";
    c[1].FieldName = "FInterID";
    Set(c[2], "价格类型", "FName");
    Set(c[3], "单价", "FPrice", kDataTypeDouble);
  } else if (class_id == -117 || class_id == -118 || class_id == -119) {
    c[0].FieldName = "FOperMoveNo";
    c[1].FieldName = "FOperMoveNo";
    Set(c[2], "流转号", "FOperMoveNo");
    c[3].FieldName = "FTransType";
    c[3].Hidden = true;
    c[4].FieldName = "FWBInterID";
    c[4].Hidden = true;
  } else if (class_id == -121) {
    c[0].FieldName = "FInterID";
    c[1].FieldName = "FOperID";
    Set(c[2], "工序顺序号", "FOperSN");
    Set(c[3], "工序", "FNumber");
    Set(c[4], "名称", "FName");
  } else {
    c[1].FieldName = IdFieldOf(class_id);
    bool by_id = c[1].FieldName == "FInterID";
    Set(c[2], "代码", by_id ? "FID" : "FNumber");
    Set(c[3], "名称", "FName");
    if (class_id == 4) Set(c[4], "规格", "FModel");
  }
  return c;
}

bool IsNumericDataType(int16_t data_type) {
  return data_type == 3 || data_type == 4 || data_type == 5 || data_type == 6 || data_type == 131;
}

}  // namespace qmz
