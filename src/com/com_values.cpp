#include "com/com_values.h"

#include "com/com_result.h"
#include "platform/wide_path.h"
#include "qmz/error.h"

namespace qmz::com {

std::string TextOf(BSTR text) {
  if (text == nullptr) return {};
  return Utf8Of(std::wstring(text, ::SysStringLen(text)));
}

BSTR NewText(const std::string& text) {
  const std::wstring wide = WidePath(text);
  BSTR made = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (made == nullptr) throw std::bad_alloc();
  return made;
}

Variant ValueOf(const VARIANT& value) {
  if (V_VT(&value) == (VT_BYREF | VT_VARIANT)) return ValueOf(*V_VARIANTREF(&value));
  switch (V_VT(&value)) {
    case VT_EMPTY:
    case VT_ERROR:  // an optional argument left out
      return Variant();
    case VT_NULL:
      return Variant::Null();
    case VT_BOOL:
      return Variant(V_BOOL(&value) != VARIANT_FALSE);
    case VT_BSTR:
      return Variant(TextOf(V_BSTR(&value)));
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DECIMAL: {
      VARIANT number;
      ::VariantInit(&number);
      if (FAILED(::VariantChangeType(&number, const_cast<VARIANT*>(&value), 0, VT_R8))) break;
      return Variant(V_R8(&number));
    }
    case VT_DISPATCH:
      if (V_DISPATCH(&value) == nullptr) return Variant(ObjectPtr());
      if (ObjectPtr object = ObjectOf(V_DISPATCH(&value))) return Variant(object);
      throw Error("An object the library did not make cannot be passed to it");
    default: {
      // Every kind of whole number, by value or by reference.
      VARIANT number;
      ::VariantInit(&number);
      if (FAILED(::VariantChangeType(&number, const_cast<VARIANT*>(&value), 0, VT_I8))) break;
      return Variant(static_cast<long long>(V_I8(&number)));
    }
  }
  throw Error("A value of VARIANT type " + std::to_string(V_VT(&value)) +
              " cannot be passed to the library");
}

void SetVariant(const Variant& value, VARIANT* out) {
  switch (value.type()) {
    case Variant::Type::Empty:
      V_VT(out) = VT_EMPTY;
      return;
    case Variant::Type::Null:
      V_VT(out) = VT_NULL;
      return;
    case Variant::Type::Boolean:
      V_VT(out) = VT_BOOL;
      V_BOOL(out) = value.ToBool() ? VARIANT_TRUE : VARIANT_FALSE;
      return;
    case Variant::Type::Integer: {
      const int64_t whole = value.ToInt64();
      if (whole >= INT32_MIN && whole <= INT32_MAX) {
        V_VT(out) = VT_I4;
        V_I4(out) = static_cast<LONG>(whole);
      } else {
        V_VT(out) = VT_I8;
        V_I8(out) = whole;
      }
      return;
    }
    case Variant::Type::Double:
      V_VT(out) = VT_R8;
      V_R8(out) = value.ToDouble();
      return;
    case Variant::Type::Text:
      V_BSTR(out) = NewText(value.ToText());
      V_VT(out) = VT_BSTR;
      return;
    case Variant::Type::Object:
      V_DISPATCH(out) = ResultObject(value.AsObject());
      V_VT(out) = VT_DISPATCH;
      return;
  }
}

}  // namespace qmz::com
