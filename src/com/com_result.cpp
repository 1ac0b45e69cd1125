#include "com/com_result.h"

#include <vector>

#include "cli/json_output.h"
#include "com/com_object.h"
#include "com/com_values.h"
#include "com/qmzbaselist.h"
#include "qmz/containers.h"
#include "qmz/recordset.h"

namespace qmz::com {

namespace {

// A snapshot of values handed out one by one (For Each).
class Enumerator : public CountedObject<IEnumVARIANT, IID_IEnumVARIANT> {
 public:
  explicit Enumerator(std::vector<Variant> items) : items_(std::move(items)) {}

  HRESULT STDMETHODCALLTYPE Next(ULONG wanted, VARIANT* out, ULONG* given) override {
    if (out == nullptr) return E_POINTER;
    if (given == nullptr && wanted > 1) return E_INVALIDARG;
    ULONG count = 0;
    try {
      for (; count < wanted && next_ < items_.size(); ++count, ++next_) {
        ::VariantInit(&out[count]);
        SetVariant(items_[next_], &out[count]);
      }
    } catch (...) {
      for (ULONG i = 0; i < count; ++i) ::VariantClear(&out[i]);
      return E_OUTOFMEMORY;
    }
    if (given != nullptr) *given = count;
    return count == wanted ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    const size_t left = items_.size() - next_;
    next_ += std::min<size_t>(left, count);
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    next_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
    if (out == nullptr) return E_POINTER;
    auto* copy = new (std::nothrow) Enumerator(items_);
    if (copy == nullptr) return E_OUTOFMEMORY;
    copy->next_ = next_;
    *out = copy;
    return S_OK;
  }

 private:
  std::vector<Variant> items_;
  size_t next_ = 0;
};

std::string JsonOf(const ObjectPtr& object) {
  return cli::ToJson(Variant(object)).dump(2, ' ', false, cli::Json::error_handler_t::replace);
}

// A SAFEARRAY of texts as a VARIANT.
void SetTexts(const std::vector<std::string>& texts, VARIANT* out) {
  SAFEARRAY* array = ::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(texts.size()));
  if (array == nullptr) throw std::bad_alloc();
  try {
    for (LONG i = 0; i < static_cast<LONG>(texts.size()); ++i) {
      VARIANT text;
      ::VariantInit(&text);
      SetVariant(Variant(texts[static_cast<size_t>(i)]), &text);
      const HRESULT put = ::SafeArrayPutElement(array, &i, &text);
      ::VariantClear(&text);
      if (FAILED(put)) throw std::bad_alloc();
    }
  } catch (...) {
    ::SafeArrayDestroy(array);
    throw;
  }
  V_VT(out) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(out) = array;
}

constexpr const wchar_t* kResultSource = L"QMZBaseList.Result";

class Result : public DispatchObject<IResult, IID_IResult>, public OwnObject {
 public:
  explicit Result(ObjectPtr object)
      : object_(std::move(object)),
        dictionary_(std::dynamic_pointer_cast<Dictionary>(object_)),
        vector_(std::dynamic_pointer_cast<Vector>(object_)) {}
  ObjectPtr Held() const override { return object_; }

  HRESULT STDMETHODCALLTYPE get_Item(VARIANT key, VARIANT* value) override {
    if (value == nullptr) return E_POINTER;
    return Guarded(kResultSource, IID_IResult, [&] {
      const Variant wanted = ValueOf(key);
      ::VariantInit(value);
      if (dictionary_) {
        const std::string name = wanted.ToText();
        if (!dictionary_->Exists(name)) throw Error("No key " + name + " in the row");
        SetVariant(dictionary_->Get(name), value);
        return;
      }
      const int64_t position = wanted.ToInt64();
      if (position < 1 || position > vector_->Count()) {
        throw Error("No row " + std::to_string(position) + " of " +
                    std::to_string(vector_->Count()) + " (rows count from 1)");
      }
      SetVariant(Variant(vector_->Item(static_cast<int32_t>(position))), value);
    });
  }
  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    if (count == nullptr) return E_POINTER;
    *count = dictionary_ ? dictionary_->Count() : vector_->Count();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Exists(BSTR key, VARIANT_BOOL* exists) override {
    if (exists == nullptr) return E_POINTER;
    return Guarded(kResultSource, IID_IResult, [&] {
      *exists = dictionary_ && dictionary_->Exists(TextOf(key)) ? VARIANT_TRUE : VARIANT_FALSE;
    });
  }
  HRESULT STDMETHODCALLTYPE get_Keys(VARIANT* keys) override {
    if (keys == nullptr) return E_POINTER;
    return Guarded(kResultSource, IID_IResult, [&] {
      ::VariantInit(keys);
      std::vector<std::string> names;
      if (dictionary_) {
        for (const auto& entry : dictionary_->Entries()) names.push_back(entry.first);
      }
      SetTexts(names, keys);
    });
  }
  HRESULT STDMETHODCALLTYPE get_Json(BSTR* json) override {
    if (json == nullptr) return E_POINTER;
    return Guarded(kResultSource, IID_IResult, [&] { *json = NewText(JsonOf(object_)); });
  }
  HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** items) override {
    if (items == nullptr) return E_POINTER;
    return Guarded(kResultSource, IID_IResult, [&] {
      std::vector<Variant> all;
      if (dictionary_) {
        for (const auto& entry : dictionary_->Entries()) all.emplace_back(entry.first);
      } else {
        for (int32_t i = 1; i <= vector_->Count(); ++i) all.emplace_back(vector_->Item(i));
      }
      *items = new Enumerator(std::move(all));
    });
  }

 private:
  ObjectPtr object_;
  std::shared_ptr<Dictionary> dictionary_;
  std::shared_ptr<Vector> vector_;
};

constexpr const wchar_t* kRecordsSource = L"QMZBaseList.Records";

class Records : public DispatchObject<IRecords, IID_IRecords>, public OwnObject {
 public:
  explicit Records(std::shared_ptr<Recordset> records) : records_(std::move(records)) {}
  ObjectPtr Held() const override { return records_; }

  HRESULT STDMETHODCALLTYPE get_Item(VARIANT field, VARIANT* value) override {
    if (value == nullptr) return E_POINTER;
    return Guarded(kRecordsSource, IID_IRecords, [&] {
      const Variant wanted = ValueOf(field);
      ::VariantInit(value);
      if (records_->Eof() || records_->Bof()) throw Error("No current record");
      SetVariant(
          wanted.IsText() ? records_->Value(wanted.ToText()) : records_->Value(wanted.ToInt32()),
          value);
    });
  }
  HRESULT STDMETHODCALLTYPE get_RecordCount(LONG* count) override {
    if (count == nullptr) return E_POINTER;
    *count = records_->RecordCount();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_EOF(VARIANT_BOOL* eof) override {
    if (eof == nullptr) return E_POINTER;
    *eof = records_->Eof() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_BOF(VARIANT_BOOL* bof) override {
    if (bof == nullptr) return E_POINTER;
    *bof = records_->Bof() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE MoveFirst() override {
    return Guarded(kRecordsSource, IID_IRecords, [&] { records_->MoveFirst(); });
  }
  HRESULT STDMETHODCALLTYPE MoveNext() override {
    return Guarded(kRecordsSource, IID_IRecords, [&] { records_->MoveNext(); });
  }
  HRESULT STDMETHODCALLTYPE get_Fields(VARIANT* names) override {
    if (names == nullptr) return E_POINTER;
    return Guarded(kRecordsSource, IID_IRecords, [&] {
      ::VariantInit(names);
      std::vector<std::string> fields;
      for (int32_t i = 0; i < records_->FieldCount(); ++i) fields.push_back(records_->FieldName(i));
      SetTexts(fields, names);
    });
  }
  HRESULT STDMETHODCALLTYPE get_Json(BSTR* json) override {
    if (json == nullptr) return E_POINTER;
    return Guarded(kRecordsSource, IID_IRecords, [&] { *json = NewText(JsonOf(records_)); });
  }

 private:
  std::shared_ptr<Recordset> records_;
};

}  // namespace

// A caller's own object handed to the library (ItemExtInfo holds one and never reads it): kept
// with a reference of its own, given back as itself.
class ComReference : public Object {
 public:
  explicit ComReference(IDispatch* dispatch) : dispatch_(dispatch) { dispatch_->AddRef(); }
  ~ComReference() override { dispatch_->Release(); }
  ComReference(const ComReference&) = delete;
  ComReference& operator=(const ComReference&) = delete;
  IDispatch* dispatch() const { return dispatch_; }

 private:
  IDispatch* dispatch_;
};

IDispatch* ResultObject(const ObjectPtr& object) {
  if (!object) return nullptr;
  if (auto records = std::dynamic_pointer_cast<Recordset>(object)) {
    return static_cast<IRecords*>(new Records(records));
  }
  if (std::dynamic_pointer_cast<Dictionary>(object) || std::dynamic_pointer_cast<Vector>(object)) {
    return static_cast<IResult*>(new Result(object));
  }
  if (auto reference = std::dynamic_pointer_cast<ComReference>(object)) {
    reference->dispatch()->AddRef();
    return reference->dispatch();
  }
  throw Error("The library answered an object COM cannot show");
}

ObjectPtr ObjectOf(IDispatch* dispatch) {
  if (dispatch == nullptr) return nullptr;
  IUnknown* own = nullptr;
  if (FAILED(dispatch->QueryInterface(kOwnObject, reinterpret_cast<void**>(&own)))) {
    return std::make_shared<ComReference>(dispatch);
  }
  const OwnObject* held = dynamic_cast<OwnObject*>(own);
  const ObjectPtr object = held ? held->Held() : std::make_shared<ComReference>(dispatch);
  own->Release();
  return object;
}

}  // namespace qmz::com
