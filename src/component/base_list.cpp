#include "qmz/baselist.h"

#include <algorithm>

#include "auxprop/frm_select_aux.h"
#include "base_data_list/frm_base_list.h"
#include "batch/show_batch.h"
#include "component/allocate_batches.h"
#include "inventory/batch_tracking.h"
#include "inventory/lookup_query.h"
#include "inventory/scanned_batch.h"
#include "inventory/unit_price.h"
#include "list_services/list_settings.h"
#include "list_services/middle_tier_query.h"
#include "list_services/row_to_dictionary.h"
#include "login/authorization.h"
#include "login/host_props.h"
#include "login/login_context.h"
#include "login/props_parser.h"
#include "picker/picker_form.h"
#include "platform/decimal.h"
#include "platform/stoppable_read.h"
#include "platform/text.h"
#include "platform/ui/modal_host.h"

namespace qmz {

namespace {

thread_local std::string last_failure;

// Runs a public operation's body, which sets the operation's result as it goes: a failure
// ends it with what was set so far (a dialog's result is set before its unload, so a failure
// while it saves its settings keeps the user's choice), and nothing reaches the host but the
// reason, kept for LastFailure.
template <class Body>
ObjectPtr ResultOrReasonKept(Body body) noexcept {
  ObjectPtr result;
  last_failure.clear();
  try {
    // Nothing of the component runs while one of its dialogs waits for a list (a host's timer
    // or queued call that calls again would find the forms half-way).
    if (ReadWaiting()) throw Error("BaseList is reading a list for its dialog; call again later");
    body(result);
  } catch (const ReadStopped&) {
    // The user stopped a dialog's first list: no choice, as the close button.
    result.reset();
  } catch (const std::exception& e) {
    last_failure = *e.what() ? e.what() : "The operation failed";
  } catch (...) {
    last_failure = "The operation failed";
  }
  return result;
}

const Variant& Arg(const std::vector<Variant>& args, size_t index, const std::string& member) {
  if (index >= args.size()) {
    throw Error("Argument not optional: " + member + " expects more than " +
                std::to_string(args.size()) + " argument(s)");
  }
  return args[index];
}

InventoryRequest RequestFromArgs(const std::vector<Variant>& args, const std::string& member) {
  InventoryRequest query;
  query.item_id = Arg(args, 0, member).ToInt32();
  query.text = Arg(args, 1, member).ToText();
  query.stock_id = Arg(args, 2, member).ToInt32();
  query.aux_id = Arg(args, 3, member).ToInt32();
  query.class_type = Arg(args, 4, member).ToInt32();
  return query;
}

}  // namespace

const std::string& LastFailure() {
  return last_failure;
}

BaseList::BaseList() {
  ResetListSettingsForNewBaseList();
}

void BaseList::KeyWord(const std::string& value) {
  ListSettings().KeyWord = value;
}
void BaseList::Filter(const std::string& value) {
  ListSettings().Filter = value;
}
void BaseList::FilterItem(const std::string& value) {
  ListSettings().FilterItem = value;
}
void BaseList::ItemExtInfo(ObjectPtr value) {
  ListSettings().ItemExtInfo = std::move(value);
}

void BaseList::RequiredQty(double value) {
  ListSettings().RequiredQty = value;
}

ObjectPtr BaseList::AllocateBatches(int32_t lngItemID, double dblQty, int32_t lngStockID,
                                    int32_t lngAuxID, int32_t lngClassType) {
  return ResultOrReasonKept([&](ObjectPtr& result) {
    if (lngItemID <= 0) return;
    const Decimal quantity = QuantityAboveZero(dblQty, "The quantity to allocate");
    result = AllocateBatchesFor({lngItemID, "", lngStockID, lngAuxID, lngClassType}, quantity);
  });
}

ObjectPtr BaseList::GetBatch(int32_t lngItemID, const std::string& strBatchNo, int32_t lngStockID,
                             int32_t lngAuxID, int32_t lngClassType) {
  return ResultOrReasonKept([&](ObjectPtr& result) {
    if (lngItemID <= 0 || strBatchNo.empty()) return;
    const bool closed = IsICClosed();
    // A scanned label (host property ScanGS1) stands for its number, and its expiry picks among
    // the warehouses that hold the batch.
    const std::optional<ScannedBatch> scanned = ReadScannedBatch(strBatchNo);
    const std::string number =
        scanned ? scanned->NumberFor(!scanned->serial.empty() && IsBatchNoTracked(lngItemID))
                : strBatchNo;
    const std::string sql =
        ComposeBatchLookupSql({lngItemID, number, lngStockID, lngAuxID, lngClassType}, closed,
                              StockAuthFilterIn(AuthContext::kNoDialog, "b"));
    std::shared_ptr<Dictionary> row;
    if (scanned && scanned->expiry) {
      RecordsetPtr rows = RunOnClassInfo(sql);
      const int32_t at = FindScannedRecord(*rows, number, scanned->expiry);
      if (at > 0) rows->SetAbsolutePosition(at);
      row = RowToDictionary(*rows);
    } else {
      row = FetchFirstRow(sql);
    }
    SetLookupUnitPrice(*row, closed);
    result = row;
  });
}

ObjectPtr BaseList::GetAux(int32_t lngItemID, const std::string& strAux, int32_t lngStockID,
                           int32_t lngAuxID, int32_t lngClassType) {
  return ResultOrReasonKept([&](ObjectPtr& result) {
    if (lngItemID <= 0 || strAux.empty()) return;
    const bool closed = IsICClosed();
    auto row =
        FetchFirstRow(ComposeAuxLookupSql({lngItemID, strAux, lngStockID, lngAuxID, lngClassType},
                                          closed, StockAuthFilterIn(AuthContext::kNoDialog, "b")));
    SetLookupUnitPrice(*row, closed);
    result = row;
  });
}

ObjectPtr BaseList::Show(int32_t& UserID, int16_t ClassID) {
  return ResultOrReasonKept([&](ObjectPtr& result) {
    ListSettings().ListClassID = ClassID;
    ShowBaseListDialog(result);
  });
}

ObjectPtr BaseList::ShowBatch(int32_t lngItemID, const std::string& strFilter, int32_t lngStockID,
                              int32_t lngAuxID, int32_t lngClassType) {
  return ResultOrReasonKept([&](ObjectPtr& result) {
    ShowBatchPicker({lngItemID, strFilter, lngStockID, lngAuxID, lngClassType}, false, result);
  });
}

ObjectPtr BaseList::ShowBatchForMultiSelBatchNo(int32_t lngItemID, const std::string& strFilter,
                                                int32_t lngStockID, int32_t lngAuxID,
                                                int32_t lngClassType) {
  return ResultOrReasonKept([&](ObjectPtr& result) {
    ShowBatchPicker({lngItemID, strFilter, lngStockID, lngAuxID, lngClassType}, true, result);
  });
}

ObjectPtr BaseList::ShowAux(int32_t lngItemID, const std::string& strFilter, int32_t lngStockID,
                            int32_t lngAuxID, int32_t lngClassType) {
  last_failure.clear();
  if (!MayQueryBaseData()) return nullptr;  // outside the guard: its failure reaches the host
  return ResultOrReasonKept([&](ObjectPtr& result) {
    ShowAuxPicker({lngItemID, strFilter, lngStockID, lngAuxID, lngClassType}, false, result);
  });
}

ObjectPtr BaseList::ShowAuxForMultiSel(int32_t lngItemID, const std::string& strFilter,
                                       int32_t lngStockID, int32_t lngAuxID, int32_t lngClassType) {
  last_failure.clear();
  if (!MayQueryBaseData()) return nullptr;
  return ResultOrReasonKept([&](ObjectPtr& result) {
    ShowAuxPicker({lngItemID, strFilter, lngStockID, lngAuxID, lngClassType}, true, result);
  });
}

ObjectPtr BaseList::ShowEx(int32_t ClassID) {
  return ResultOrReasonKept([&](ObjectPtr& result) {
    ParseProps(GetPropsString());
    RequireUserID();
    ListSettings().ListClassID = Variant(ClassID).ToInt16();
    ShowBaseListDialog(result);
  });
}

const std::vector<std::string>& BaseList::MemberNames() {
  static const std::vector<std::string> names = {
      "KeyWord",  "Filter", "FilterItem", "ItemExtInfo",
      "GetBatch", "Show",   "ShowBatch",  "ShowBatchForMultiSelBatchNo",
      "ShowEx",   "GetAux", "ShowAux",    "ShowAuxForMultiSel"};
  return names;
}

bool BaseList::IsProperty(const std::string& name) {
  const auto& names = MemberNames();
  return std::any_of(names.begin(), names.begin() + 4,
                     [&name](const std::string& slot) { return EqualsIgnoreCase(name, slot); }) ||
         EqualsIgnoreCase(name, "RequiredQty");
}

Variant BaseList::Invoke(const std::string& member, std::vector<Variant>& args) {
  const auto& names = MemberNames();
  for (size_t i = 0; i < names.size(); ++i) {
    if (EqualsIgnoreCase(member, names[i])) return InvokeMember(static_cast<int>(i) + 1, args);
  }
  if (EqualsIgnoreCase(member, "RequiredQty")) {
    RequiredQty(Arg(args, 0, "RequiredQty").ToDouble());
    return {};
  }
  if (EqualsIgnoreCase(member, "AllocateBatches")) {
    const std::string name = "AllocateBatches";
    return AllocateBatches(Arg(args, 0, name).ToInt32(), Arg(args, 1, name).ToDouble(),
                           Arg(args, 2, name).ToInt32(), Arg(args, 3, name).ToInt32(),
                           Arg(args, 4, name).ToInt32());
  }
  return Component::Invoke(member, args);
}

Variant BaseList::InvokeMember(int member_number, std::vector<Variant>& args) {
  if (member_number < 1 || member_number > static_cast<int>(MemberNames().size())) {
    throw Error("Member not found: " + std::to_string(member_number));
  }
  const std::string& name = MemberNames()[static_cast<size_t>(member_number - 1)];
  switch (member_number) {
    case 1:
      KeyWord(Arg(args, 0, name).ToText());
      return {};
    case 2:
      Filter(Arg(args, 0, name).ToText());
      return {};
    case 3:
      FilterItem(Arg(args, 0, name).ToText());
      return {};
    case 4:
      ItemExtInfo(Arg(args, 0, name).AsObject());
      return {};
    case 5: {
      InventoryRequest q = RequestFromArgs(args, name);
      return GetBatch(q.item_id, q.text, q.stock_id, q.aux_id, q.class_type);
    }
    case 6: {
      int32_t user_id = args.empty() ? 0 : args[0].ToInt32();
      int16_t class_id = args.size() > 1 ? args[1].ToInt16() : 0;
      ObjectPtr result = Show(user_id, class_id);
      if (!args.empty()) args[0] = Variant(static_cast<long long>(user_id));
      return result;
    }
    case 7:
    case 8: {
      InventoryRequest q = RequestFromArgs(args, name);
      return member_number == 7 ? ShowBatch(q.item_id, q.text, q.stock_id, q.aux_id, q.class_type)
                                : ShowBatchForMultiSelBatchNo(q.item_id, q.text, q.stock_id,
                                                              q.aux_id, q.class_type);
    }
    case 9:
      return ShowEx(Arg(args, 0, name).ToInt32());
    case 10: {
      InventoryRequest q = RequestFromArgs(args, name);
      return GetAux(q.item_id, q.text, q.stock_id, q.aux_id, q.class_type);
    }
    case 11:
    case 12: {
      InventoryRequest q = RequestFromArgs(args, name);
      return member_number == 11
                 ? ShowAux(q.item_id, q.text, q.stock_id, q.aux_id, q.class_type)
                 : ShowAuxForMultiSel(q.item_id, q.text, q.stock_id, q.aux_id, q.class_type);
    }
    default:
      throw Error("Member not found: " + name);
  }
}

void RegisterBaseListClass() {
  ComponentFactory factory = [] { return std::make_shared<BaseList>(); };
  ComponentRegistry::Instance().Register(progid::kBaseList, factory);
  ComponentRegistry::Instance().Register(progid::kBaseListClassId, factory);
}

}  // namespace qmz
