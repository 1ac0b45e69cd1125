// BaseList: the library's one public class. A host creates it, sets any of its properties and
// calls one operation.
//
// Properties are write-only and land in the shared list settings of the calling thread: every
// BaseList on that thread sees the last value written. Creating a BaseList empties KeyWord and
// Filter (FilterItem and ItemExtInfo stay).
//
// Operations return a result object (Dictionary, Vector or Recordset) or null. They do not
// throw: a failure inside ends the operation with null and its reason in LastFailure() (empty
// when the operation simply found or chose nothing). The one exception is the rights check of
// ShowAux and ShowAuxForMultiSel: a security component that cannot be created or asked raises
// to the host.
//
// BaseList is also a Component: creatable as "QMZBaseList.BaseList" or by its class id once
// RegisterBaseListClass() ran, and callable by member name or by member number (1..12, the
// slot order below) through Invoke.
//
// Threading: use a BaseList only on the thread that created it (the host's UI thread).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "qmz/components.h"
#include "qmz/variant.h"

namespace qmz {

class BaseList : public Component {
 public:
  BaseList();

  // 1..4: write-only properties.
  void KeyWord(const std::string& value);
  void Filter(const std::string& value);
  void FilterItem(const std::string& value);
  void ItemExtInfo(ObjectPtr value);

  // 5: the first inventory row of the item's batch, as a Dictionary of texts.
  ObjectPtr GetBatch(int32_t lngItemID, const std::string& strBatchNo, int32_t lngStockID,
                     int32_t lngAuxID, int32_t lngClassType);
  // 6: the base-data list dialog for item class ClassID (class 0 when left out): the
  // inventory rows of the chosen batch as a Recordset, or null. UserID is accepted, not used.
  ObjectPtr Show(int32_t& UserID, int16_t ClassID = 0);
  // 7: the batch picker for one item: the chosen row as a Dictionary, or null.
  ObjectPtr ShowBatch(int32_t lngItemID, const std::string& strFilter, int32_t lngStockID,
                      int32_t lngAuxID, int32_t lngClassType);
  // 8: the batch picker with several rows allowed: a Vector of Dictionaries, or null.
  ObjectPtr ShowBatchForMultiSelBatchNo(int32_t lngItemID, const std::string& strFilter,
                                        int32_t lngStockID, int32_t lngAuxID, int32_t lngClassType);
  // 9: as Show, after checking the login's user id; a ClassID outside 16 bits gives null.
  ObjectPtr ShowEx(int32_t ClassID);

  // 11: the aux picker after the base-data query right: the chosen row as a Dictionary, or
  // null (also after the refusal message).
  ObjectPtr ShowAux(int32_t lngItemID, const std::string& strFilter, int32_t lngStockID,
                    int32_t lngAuxID, int32_t lngClassType);
  // 12: the aux picker with several rows allowed: a Vector of Dictionaries, or null.
  ObjectPtr ShowAuxForMultiSel(int32_t lngItemID, const std::string& strFilter, int32_t lngStockID,
                               int32_t lngAuxID, int32_t lngClassType);

  // 10: the first total row of the item's auxiliary properties whose name holds strAux.
  ObjectPtr GetAux(int32_t lngItemID, const std::string& strAux, int32_t lngStockID,
                   int32_t lngAuxID, int32_t lngClassType);

  // Beyond the twelve slots (by name only, never by number):
  // A write-only property: the quantity the batch pickers of several rows
  // (ShowBatchForMultiSelBatchNo) cover, preselecting rows first-expiry-first; each returned
  // row then carries FTakeQty. 0 or less: none. Kept like Filter; a new BaseList clears it.
  void RequiredQty(double value);
  // Without a dialog: dblQty spread over the item's batches as that picker preselects them, a
  // Vector of the rows taken (FTakeQty, and FMissingQty: what is still missing, in every row);
  // empty when nothing can be taken; null for an item id or a quantity of 0 or less. Expired
  // batches are taken only when the host sets AllowExpired.
  ObjectPtr AllocateBatches(int32_t lngItemID, double dblQty, int32_t lngStockID, int32_t lngAuxID,
                            int32_t lngClassType);

  // Late-bound call by member name (case-insensitive), or by number with InvokeMember. These do
  // throw qmz::Error for a call that cannot be made: an unknown member or number, too few
  // arguments, an argument of the wrong type or range. The operation they reach then behaves as
  // above.
  Variant Invoke(const std::string& member, std::vector<Variant>& args) override;
  Variant InvokeMember(int member_number, std::vector<Variant>& args);

  // The member names in slot order (index 0 is member 1).
  static const std::vector<std::string>& MemberNames();
  // Whether `name` is a write-only property (case-insensitive), slotted or not.
  static bool IsProperty(const std::string& name);
};

// Registers BaseList under its ProgID and class id in the ComponentRegistry.
void RegisterBaseListClass();

// Why the last operation of a BaseList on this thread failed: the failure's message (for
// example the server's "Cannot connect to the suite database: …" or a statement timeout), or ""
// when it ran to its end. An operation that fails still answers null; this tells "nothing
// found" (a result, or null with "") from "could not ask" (null with the reason). Set by every
// operation of BaseList, by name or by number too; kept per thread.
const std::string& LastFailure();

}  // namespace qmz
