// The library's values as COM's VARIANTs and back: texts as BSTRs (UTF-8 here, UTF-16 there),
// whole numbers as VT_I4 when they fit (VT_I8 else), doubles, booleans, Null and Empty; an
// object result as a result object (com_result.h), a null object as Nothing.
//
// A value passed by reference is read through the reference; an object as com_result.h's
// ObjectOf takes it. What may fail: a VARIANT of a kind the library has no value for (a date, an
// array, an object without IDispatch) gives qmz::Error naming it.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <string>

#include "qmz/variant.h"

namespace qmz::com {

std::string TextOf(BSTR text);
// A new BSTR the caller frees; Error when out of memory.
BSTR NewText(const std::string& text);

Variant ValueOf(const VARIANT& value);
// Writes `value` back into a VARIANT passed by reference (a variable of the caller's, whatever its
// type: converted to it) or, when `out` holds no reference, into `out` itself.
void SetThrough(const Variant& value, VARIANT* out);
// Fills `out` (which the caller has initialised) with `value`.
void SetVariant(const Variant& value, VARIANT* out);

}  // namespace qmz::com
