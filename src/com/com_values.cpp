#include "com/com_values.h"

#include <cstdint>
#include <optional>

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

namespace {

// A whole number of any width, or nullopt for a VARIANT of another kind.
std::optional<int64_t> WholeNumber(const VARIANT& value) {
  switch (V_VT(&value)) {
    case VT_I1:
      return V_I1(&value);
    case VT_UI1:
      return V_UI1(&value);
    case VT_I2:
      return V_I2(&value);
    case VT_UI2:
      return V_UI2(&value);
    case VT_I4:
      return V_I4(&value);
    case VT_UI4:
      return V_UI4(&value);
    case VT_INT:
      return V_INT(&value);
    case VT_UINT:
      return V_UINT(&value);
    case VT_I8:
      return V_I8(&value);
    case VT_UI8:
      if (V_UI8(&value) > static_cast<ULONGLONG>(INT64_MAX)) return std::nullopt;
      return static_cast<int64_t>(V_UI8(&value));
    default:
      return std::nullopt;
  }
}

// The value of a VARIANT that holds no reference.
Variant ValueOfDirect(const VARIANT& value) {
  if (const std::optional<int64_t> whole = WholeNumber(value)) {
    return Variant(static_cast<long long>(*whole));
  }
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
      return Variant(static_cast<double>(V_R4(&value)));
    case VT_R8:
      return Variant(V_R8(&value));
    case VT_CY:
    case VT_DECIMAL: {
      VARIANT number;
      ::VariantInit(&number);
      if (FAILED(::VariantChangeType(&number, const_cast<VARIANT*>(&value), 0, VT_R8))) break;
      return Variant(V_R8(&number));
    }
    case VT_DISPATCH:
      return Variant(ObjectOf(V_DISPATCH(&value)));
    default:
      break;
  }
  throw Error("A value of VARIANT type " + std::to_string(V_VT(&value)) +
              " cannot be passed to the library");
}

}  // namespace

Variant ValueOf(const VARIANT& value) {
  if ((V_VT(&value) & VT_BYREF) == 0) return ValueOfDirect(value);
  // A variable passed by reference (VBA's typed variables, VBScript's variables): its value.
  VARIANT direct;
  ::VariantInit(&direct);
  if (FAILED(::VariantCopyInd(&direct, const_cast<VARIANT*>(&value)))) {
    throw Error("A value of VARIANT type " + std::to_string(V_VT(&value)) +
                " cannot be passed to the library");
  }
  try {
    Variant answer = ValueOfDirect(direct);
    ::VariantClear(&direct);
    return answer;
  } catch (...) {
    ::VariantClear(&direct);
    throw;
  }
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

void SetThrough(const Variant& value, VARIANT* out) {
  VARIANT given;
  ::VariantInit(&given);
  SetVariant(value, &given);
  HRESULT done = S_OK;
  if (V_VT(out) == (VT_BYREF | VT_VARIANT)) {
    done = ::VariantCopy(V_VARIANTREF(out), &given);
  } else if ((V_VT(out) & VT_BYREF) != 0) {
    // A typed variable: the value in its type, written where the reference points.
    VARIANT typed;
    ::VariantInit(&typed);
    done = ::VariantChangeType(&typed, &given, 0, V_VT(out) & ~VT_BYREF);
    if (SUCCEEDED(done)) {
      switch (V_VT(out) & ~VT_BYREF) {
        case VT_I2:
          *V_I2REF(out) = V_I2(&typed);
          break;
        case VT_I4:
          *V_I4REF(out) = V_I4(&typed);
          break;
        case VT_R8:
          *V_R8REF(out) = V_R8(&typed);
          break;
        case VT_BSTR:
          ::SysFreeString(*V_BSTRREF(out));
          *V_BSTRREF(out) = V_BSTR(&typed);
          V_VT(&typed) = VT_EMPTY;  // handed over
          break;
        default:
          done = DISP_E_TYPEMISMATCH;
          break;
      }
    }
    ::VariantClear(&typed);
  } else {
    done = ::VariantCopy(out, &given);
  }
  ::VariantClear(&given);
  if (FAILED(done)) throw Error("A value cannot be written back to the caller's variable");
}

}  // namespace qmz::com
