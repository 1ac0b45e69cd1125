// The COM server's values and result objects, run under Wine: what a caller's VARIANTs become
// (typed variables passed by reference included), what goes back through a reference, and the
// result objects' indexing, enumeration and reference counts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <oleauto.h>

#include "com/com_object.h"
#include "com/com_result.h"
#include "com/com_values.h"
#include "com/qmzbaselist.h"
#include "qmz/containers.h"
#include "qmz/error.h"

namespace qmz::com {
namespace {

using ::testing::ThrowsMessage;

// A VARIANT that clears itself.
struct Held {
  Held() { ::VariantInit(&value); }
  ~Held() { ::VariantClear(&value); }
  VARIANT value;
};

// A caller's own object, counting its references.
class CallersObject : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch)) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }
  ULONG references = 1;
};

TEST(ComValuesTest, ACallersOwnObjectIsHeldAndGivenBackAsItself) {
  CallersObject callers;
  Held given;
  V_VT(&given.value) = VT_DISPATCH;
  V_DISPATCH(&given.value) = &callers;
  callers.AddRef();  // the VARIANT's reference
  {
    const Variant held = ValueOf(given.value);
    EXPECT_EQ(callers.references, 3u);  // the library holds one of its own
    Held back;
    SetVariant(held, &back.value);
    ASSERT_EQ(V_VT(&back.value), VT_DISPATCH);
    EXPECT_EQ(V_DISPATCH(&back.value), &callers);
  }
  EXPECT_EQ(callers.references, 2u);  // let go with the library's value
}

TEST(ComValuesTest, ACallersValuesAndVariablesReadAsTheLibrarysValues) {
  Held text;
  V_VT(&text.value) = VT_BSTR;
  V_BSTR(&text.value) = NewText("仓库 B2601");
  EXPECT_EQ(ValueOf(text.value), Variant("仓库 B2601"));

  // VBA's typed variables come by reference: read through it, in their own kind.
  BSTR digits = NewText("123");
  VARIANT by_text;
  V_VT(&by_text) = VT_BYREF | VT_BSTR;
  V_BSTRREF(&by_text) = &digits;
  EXPECT_EQ(ValueOf(by_text), Variant("123"));
  double half = 1.5;
  VARIANT by_double;
  V_VT(&by_double) = VT_BYREF | VT_R8;
  V_R8REF(&by_double) = &half;
  EXPECT_EQ(ValueOf(by_double), Variant(1.5));
  VARIANT_BOOL yes = VARIANT_TRUE;
  VARIANT by_bool;
  V_VT(&by_bool) = VT_BYREF | VT_BOOL;
  V_BOOLREF(&by_bool) = &yes;
  EXPECT_EQ(ValueOf(by_bool), Variant(true));
  short small = -7;
  VARIANT by_short;
  V_VT(&by_short) = VT_BYREF | VT_I2;
  V_I2REF(&by_short) = &small;
  EXPECT_EQ(ValueOf(by_short), Variant(-7));

  Held big;
  V_VT(&big.value) = VT_UI8;
  V_UI8(&big.value) = 5000000000ull;
  EXPECT_EQ(ValueOf(big.value), Variant(5000000000ll));
  Held missing;  // an optional argument left out
  V_VT(&missing.value) = VT_ERROR;
  V_ERROR(&missing.value) = DISP_E_PARAMNOTFOUND;
  EXPECT_TRUE(ValueOf(missing.value).IsEmpty());

  // A date has no value in the library: refused, not taken for a number of days.
  Held date;
  V_VT(&date.value) = VT_DATE;
  V_DATE(&date.value) = 45001;
  EXPECT_THAT([&] { ValueOf(date.value); },
              ThrowsMessage<Error>("A value of VARIANT type 7 cannot be passed to the library"));
  ::SysFreeString(digits);
}

TEST(ComValuesTest, AValueGoesBackThroughTheCallersReference) {
  LONG user_id = 7;
  VARIANT by_long;
  V_VT(&by_long) = VT_BYREF | VT_I4;
  V_I4REF(&by_long) = &user_id;
  SetThrough(Variant(16), &by_long);
  EXPECT_EQ(user_id, 16);
  EXPECT_EQ(V_VT(&by_long), VT_BYREF | VT_I4);  // still the caller's variable

  Held inner;
  VARIANT by_variant;
  V_VT(&by_variant) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&by_variant) = &inner.value;
  SetThrough(Variant("x"), &by_variant);
  ASSERT_EQ(V_VT(&inner.value), VT_BSTR);
  EXPECT_EQ(TextOf(V_BSTR(&inner.value)), "x");

  Held plain;
  SetThrough(Variant(2.5), &plain.value);
  ASSERT_EQ(V_VT(&plain.value), VT_R8);
  EXPECT_EQ(V_R8(&plain.value), 2.5);
}

TEST(ComValuesTest, ResultObjectsIndexEnumerateAndGoAway) {
  const long before = live_objects;
  auto row = std::make_shared<Dictionary>();
  row->Set("FBatchNo", Variant("B2601"));
  row->Set("FQty", Variant("120"));
  auto rows = std::make_shared<Vector>();
  rows->Add(row);

  IDispatch* dispatch = ResultObject(rows);
  ASSERT_NE(dispatch, nullptr);
  EXPECT_EQ(ObjectOf(dispatch), rows);  // handed back in, it is the library's own object again
  IResult* result = nullptr;
  ASSERT_EQ(dispatch->QueryInterface(IID_IResult, reinterpret_cast<void**>(&result)), S_OK);
  LONG count = 0;
  EXPECT_EQ(result->get_Count(&count), S_OK);
  EXPECT_EQ(count, 1);

  // Rows count from 1; one past the end is a COM error with the library's message.
  Held first, row_of;
  V_VT(&first.value) = VT_I4;
  V_I4(&first.value) = 1;
  ASSERT_EQ(result->get_Item(first.value, &row_of.value), S_OK);
  ASSERT_EQ(V_VT(&row_of.value), VT_DISPATCH);
  IResult* inner = nullptr;
  ASSERT_EQ(
      V_DISPATCH(&row_of.value)->QueryInterface(IID_IResult, reinterpret_cast<void**>(&inner)),
      S_OK);
  Held key, quantity;
  V_VT(&key.value) = VT_BSTR;
  V_BSTR(&key.value) = NewText("FQty");
  ASSERT_EQ(inner->get_Item(key.value, &quantity.value), S_OK);
  EXPECT_EQ(TextOf(V_BSTR(&quantity.value)), "120");
  Held past, none;
  V_VT(&past.value) = VT_I4;
  V_I4(&past.value) = 2;
  EXPECT_EQ(result->get_Item(past.value, &none.value), E_FAIL);
  IErrorInfo* error = nullptr;
  BSTR description = nullptr;
  ASSERT_EQ(::GetErrorInfo(0, &error), S_OK);
  error->GetDescription(&description);
  EXPECT_EQ(TextOf(description), "No row 2 of 1 (rows count from 1)");
  ::SysFreeString(description);
  error->Release();

  // For Each over a row gives its keys in order; Skip and Next keep to the end.
  IUnknown* unknown = nullptr;
  ASSERT_EQ(inner->get__NewEnum(&unknown), S_OK);
  IEnumVARIANT* keys = nullptr;
  ASSERT_EQ(unknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&keys)), S_OK);
  VARIANT got[3];
  ULONG given = 0;
  EXPECT_EQ(keys->Next(1, got, nullptr), S_OK);
  EXPECT_EQ(TextOf(V_BSTR(&got[0])), "FBatchNo");
  ::VariantClear(&got[0]);
  EXPECT_EQ(keys->Next(3, got, nullptr), E_INVALIDARG);
  EXPECT_EQ(keys->Next(3, got, &given), S_FALSE);
  ASSERT_EQ(given, 1u);
  EXPECT_EQ(TextOf(V_BSTR(&got[0])), "FQty");
  ::VariantClear(&got[0]);
  EXPECT_EQ(keys->Reset(), S_OK);
  EXPECT_EQ(keys->Skip(2), S_OK);
  EXPECT_EQ(keys->Skip(1), S_FALSE);

  keys->Release();
  unknown->Release();
  inner->Release();
  ::VariantClear(&row_of.value);
  result->Release();
  dispatch->Release();
  EXPECT_EQ(live_objects, before);  // every object made here is gone
}

}  // namespace
}  // namespace qmz::com
