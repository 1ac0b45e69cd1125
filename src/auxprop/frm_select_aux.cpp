#include "auxprop/frm_select_aux.h"

#include "inventory/aux_query.h"
#include "list_services/middle_tier_query.h"
#include "login/authorization.h"
#include "login/host_props.h"
#include "login/login_context.h"
#include "picker/picker_format.h"
#include "platform/ignore_errors.h"
#include "platform/number_format.h"
#include "platform/text.h"
#include "platform/ui/modal_host.h"
#include "qmz/components.h"

namespace qmz {

namespace {

const PickerTexts kAuxTexts = {"请选择辅助属性",           "txtAux",      "辅助属性：",
                               "不显示数量为零的辅助属性", "AuxShowZero", "辅助属性列表"};

const std::map<int32_t, int32_t> kAuxRights = {
    {1020001, 1200}, {1020002, 1120}, {1020003, 1130}, {1030001, 2000}, {1030002, 2010},
    {1030003, 2020}, {1040001, 1140}, {1040002, 1000}, {1040003, 1160}, {1040004, 1110},
    {1040005, 1170}, {1040006, 1180}, {1040007, 1150}};

}  // namespace

frmSelectAux::frmSelectAux() : PickerForm("frmSelectAux", kAuxTexts, {4, 5, 6}) {}

void frmSelectAux::BeforeSetUpGrid() {
  Box().SetText(Aux);
}

void frmSelectAux::SetUpGrid() {
  bool denied = PricesDenied(kAuxRights);
  ApplyGridLook(7);
  SetWidths({500, 1500, 1000, 1000, 1000, 900, 0});
  Ledger& grid = *grid_;
  if (GetAppType() == 1) grid.Column(2).SetFlag(kColumnFlagHidden, true);
  grid.Column(5).SetFlag(kColumnFlagHidden, denied);
  grid.Column(6).SetFlag(kColumnFlagHidden, denied);
  grid.Column(7).SetFlag(kColumnFlagHidden, true);
  for (int32_t col : {4, 5, 6}) grid.Column(col).SetAlignment(kAlignRight);
}

void frmSelectAux::QueryList() {
  AuxQueryInput input;
  input.closed = InventoryClosed();
  input.item_id = ItemID;
  input.class_type = ClassTypeID;
  input.auth_filter = StockAuthFilterIn(AuthContext::kDialog, "b");
  input.hide_zero = ShowZeroBox().Value() != 0;
  input.stock_id = StockID;
  input.box_text = Box().Text();
  ShowList(RunListOnClassInfo(ComposeAuxListQuery(input)));
}

std::string frmSelectAux::TitleText() const {
  return GetIndustryType() == 1 ? "序号|辅助属性|仓库|理论重量|单价|金额|stockID|"
                                : "序号|辅助属性|仓库|数量|单价|金额|stockID|";
}

std::string frmSelectAux::ListRowText(int32_t row) {
  std::string text;
  IgnoreErrors([&] { MoveToRow(row); });
  double quantity = 0;
  IgnoreErrors([&] { quantity = Field("FQty", 0).ToDouble(); });
  const std::string quantity_pattern = GroupedPattern(QuantityDigits());
  AppendPiece(text, [&] { return std::to_string(row - 1); });
  AppendPiece(text, [&] { return Field("AuxName", "").ToText(); });
  AppendPiece(text, [&] { return Field("stockName", "").ToText(); });
  AppendPiece(text, [&] { return FormatNumber(quantity, quantity_pattern); });
  AppendPiece(text, [&] { return UnitPriceText(); });
  AppendPiece(text, [&] { return FormatField(Field("FAmount", 0), "###,##0.00"); });
  AppendPiece(text, [&] { return Field("FitemID", 0).ToText(); });
  return text;
}

std::string frmSelectAux::ChooseFilter(const std::vector<std::string>& cells) const {
  const std::string& aux = cells[0];
  const std::string& stock = cells[1];
  std::string filter;
  if (!aux.empty()) filter = " AuxName='" + DoubleQuotes(aux) + "'";
  if (!stock.empty()) {
    filter += (filter.empty() ? " stockName='" : " and stockName='") + DoubleQuotes(stock) + "'";
  }
  return filter;
}

bool MayQueryBaseData() {
  Variant answer;
  {
    auto security = CreateComponent<SecurityInfo>(progid::kSecurityInfo);
    answer = security->AccessCheck(GetPropsString(), 40, 800, 1, false, "");
  }
  if (!answer.IsNull() && !answer.ToBool()) {
    MessageBox("对不起，您没有相应的基础资料查询权限！！", MessageIcon::kInformation, "");
    return false;
  }
  return true;
}

void ShowAuxPicker(const InventoryRequest& request, bool multi_select, ObjectPtr& result) {
  if (request.item_id <= 0) return;
  auto form = std::make_unique<frmSelectAux>();
  form->SetRequest(request);
  form->Aux = request.text;
  RunPicker(*form, multi_select, result);
}

}  // namespace qmz
