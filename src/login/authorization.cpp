#include "login/authorization.h"

#include <array>

#include "login/host_props.h"
#include "login/login_context.h"
#include "login/props_parser.h"
#include "platform/text.h"
#include "qmz/components.h"

namespace qmz {

namespace {

thread_local bool authorization_asked = false;

bool IsEmptyAnswer(const Variant& value) {
  return value.IsEmpty() || (value.IsText() && value.ToText().empty());
}

void AskAndPublishNeedAuthorized() {
  auto security = CreateComponent<SecurityInfo>(progid::kSecurityInfo);
  Variant answer = security->NeedAutorized(GetPropsString());
  SetHostProp("NeedAuthrize", answer);
}

bool IsRowAuthorizedTable(const std::string& table) {
  static const std::array<const char*, 6> tables = {
      "t_item", "t_supplier", "t_stock", "t_Organization", "t_ls_branchshop", "t_ls_cashier"};
  for (const char* name : tables) {
    if (EqualsIgnoreCase(table, name)) return true;
  }
  return false;
}

}  // namespace

bool AuthorizationAskedOnThisThread() {
  return authorization_asked;
}

bool IsAuthorizeNeeded() {
  try {
    if (!authorization_asked) {
      AskAndPublishNeedAuthorized();
      authorization_asked = true;
    }
    Variant need = GetHostProp("NeedAuthrize");
    if (IsEmptyAnswer(need)) {
      AskAndPublishNeedAuthorized();
      need = GetHostProp("NeedAuthrize");
    }
    return need.ToBool();
  } catch (...) {
    return false;
  }
}

std::string GetAuthItemClasses() {
  Variant list = GetHostProp("AuthrizeItemClassList");
  if (IsEmptyAnswer(list)) {
    auto gl = CreateComponent<GLData>(progid::kGLData);
    list = gl->GetAuthItemClassList();
    SetHostProp("AuthrizeItemClassList", list);
  }
  return list.IsNull() ? std::string() : list.ToText();
}

bool BuildAuthFilter(const Vector& descriptors, std::string& condition) {
  if (!IsAuthorizeNeeded()) return false;
  ParseProps(GetPropsString());
  int16_t count = Variant(descriptors.Count()).ToInt16();
  for (int16_t i = 1; i <= count; ++i) {
    auto descriptor = std::dynamic_pointer_cast<Dictionary>(descriptors.Item(i));
    if (!descriptor) throw Error("A table descriptor must be a dictionary");
    if (!IsRowAuthorizedTable(ToUpperAscii(descriptor->Get("DataTable").ToText()))) continue;
    std::string item_classes = GetAuthItemClasses();
    std::string class_type = descriptor->Get("ItemClassType").ToText();
    if (FindIgnoreCase(item_classes, class_type) == std::string::npos) continue;
    if (!Trim(condition).empty()) condition += " And ";
    condition += " CharIndex('" + std::to_string(GetUserID()) + "'," +
                 descriptor->Get("DataTableAs").ToText() + ".FRightUserID)>0 ";
  }
  return true;
}

std::string GetStockAuthFilter(const std::string& alias) {
  auto descriptor = std::make_shared<Dictionary>();
  descriptor->Set("DataTable", "t_stock");
  descriptor->Set("DataTableAs", alias);
  descriptor->Set("ItemClassType", "5");
  Vector descriptors;
  descriptors.Add(descriptor);
  std::string condition;
  BuildAuthFilter(descriptors, condition);
  return condition.empty() ? std::string() : " And " + condition;
}

std::string StockAuthFilterIn(AuthContext context, const std::string& alias) {
  if (context == AuthContext::kDialog && GetAppType() != 4) return "";
  return GetStockAuthFilter(alias);
}

}  // namespace qmz
