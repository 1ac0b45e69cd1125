#include "com/com_baselist.h"

#include <vector>

#include "com/com_object.h"
#include "com/com_result.h"
#include "com/com_values.h"
#include "com/qmzbaselist.h"
#include "qmz/baselist.h"

namespace qmz::com {

namespace {

constexpr const wchar_t* kSource = L"QMZBaseList.BaseList";

class ComBaseList : public DispatchObject<IBaseList, IID_IBaseList> {
 public:
  HRESULT STDMETHODCALLTYPE put_KeyWord(BSTR value) override {
    return Set("KeyWord", Variant(TextOf(value)));
  }
  HRESULT STDMETHODCALLTYPE put_Filter(BSTR value) override {
    return Set("Filter", Variant(TextOf(value)));
  }
  HRESULT STDMETHODCALLTYPE put_FilterItem(BSTR value) override {
    return Set("FilterItem", Variant(TextOf(value)));
  }
  HRESULT STDMETHODCALLTYPE put_ItemExtInfo(VARIANT value) override {
    return Guarded(kSource, IID_IBaseList, [&] { Call("ItemExtInfo", {ValueOf(value)}); });
  }
  HRESULT STDMETHODCALLTYPE putref_ItemExtInfo(IDispatch* value) override {
    // Any object: the library holds it and reads nothing of it.
    return Guarded(kSource, IID_IBaseList,
                   [&] { Call("ItemExtInfo", {Variant(ObjectOf(value))}); });
  }
  HRESULT STDMETHODCALLTYPE put_RequiredQty(double value) override {
    return Set("RequiredQty", Variant(value));
  }

  HRESULT STDMETHODCALLTYPE GetBatch(LONG item, BSTR batch, LONG stock, LONG aux, LONG class_type,
                                     IDispatch** row) override {
    return Lookup("GetBatch", item, batch, stock, aux, class_type, row);
  }
  HRESULT STDMETHODCALLTYPE GetAux(LONG item, BSTR aux_name, LONG stock, LONG aux, LONG class_type,
                                   IDispatch** row) override {
    return Lookup("GetAux", item, aux_name, stock, aux, class_type, row);
  }
  HRESULT STDMETHODCALLTYPE ShowBatch(LONG item, BSTR filter, LONG stock, LONG aux, LONG class_type,
                                      IDispatch** row) override {
    return Lookup("ShowBatch", item, filter, stock, aux, class_type, row);
  }
  HRESULT STDMETHODCALLTYPE ShowBatchForMultiSelBatchNo(LONG item, BSTR filter, LONG stock,
                                                        LONG aux, LONG class_type,
                                                        IDispatch** rows) override {
    return Lookup("ShowBatchForMultiSelBatchNo", item, filter, stock, aux, class_type, rows);
  }
  HRESULT STDMETHODCALLTYPE ShowAux(LONG item, BSTR filter, LONG stock, LONG aux, LONG class_type,
                                    IDispatch** row) override {
    return Lookup("ShowAux", item, filter, stock, aux, class_type, row);
  }
  HRESULT STDMETHODCALLTYPE ShowAuxForMultiSel(LONG item, BSTR filter, LONG stock, LONG aux,
                                               LONG class_type, IDispatch** rows) override {
    return Lookup("ShowAuxForMultiSel", item, filter, stock, aux, class_type, rows);
  }
  HRESULT STDMETHODCALLTYPE AllocateBatches(LONG item, double quantity, LONG stock, LONG aux,
                                            LONG class_type, IDispatch** rows) override {
    return Answer(rows, [&] {
      return Call(
          "AllocateBatches",
          {Variant(static_cast<long>(item)), Variant(quantity), Variant(static_cast<long>(stock)),
           Variant(static_cast<long>(aux)), Variant(static_cast<long>(class_type))});
    });
  }
  HRESULT STDMETHODCALLTYPE Show(VARIANT* user_id, VARIANT class_id, IDispatch** records) override {
    if (user_id == nullptr) return E_POINTER;
    return Answer(records, [&] {
      std::vector<Variant> args{ValueOf(*user_id)};
      if (V_VT(&class_id) != VT_ERROR && V_VT(&class_id) != VT_EMPTY) {
        args.push_back(ValueOf(class_id));
      }
      Variant answer = base_.Invoke("Show", args);
      // UserID is passed by reference: it goes back as the library left it.
      SetThrough(args.front(), user_id);
      return answer;
    });
  }
  HRESULT STDMETHODCALLTYPE ShowEx(LONG class_id, IDispatch** records) override {
    return Answer(records, [&] { return Call("ShowEx", {Variant(static_cast<long>(class_id))}); });
  }

 private:
  Variant Call(const char* member, std::vector<Variant> args) { return base_.Invoke(member, args); }
  HRESULT Set(const char* property, Variant value) {
    return Guarded(kSource, IID_IBaseList, [&] { Call(property, {std::move(value)}); });
  }
  template <class Body>
  HRESULT Answer(IDispatch** out, Body&& body) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return Guarded(kSource, IID_IBaseList,
                   [&] { *out = ResultObject(Variant(body()).AsObject()); });
  }
  HRESULT Lookup(const char* member, LONG item, BSTR text, LONG stock, LONG aux, LONG class_type,
                 IDispatch** out) {
    return Answer(out, [&] {
      return Call(member, {Variant(static_cast<long>(item)), Variant(TextOf(text)),
                           Variant(static_cast<long>(stock)), Variant(static_cast<long>(aux)),
                           Variant(static_cast<long>(class_type))});
    });
  }

  BaseList base_;
};

}  // namespace

HRESULT CreateBaseList(REFIID iid, void** out) {
  return MadeAs<ComBaseList>(iid, out);
}

}  // namespace qmz::com
