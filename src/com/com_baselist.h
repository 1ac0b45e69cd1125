// The class BaseList as a COM object (IBaseList): each member hands its arguments to the
// library's BaseList by name, as a late-bound caller would, and answers its result as a result
// object (com_result.h), Nothing for none. The operations themselves never fail to the caller
// (they answer Nothing and keep the reason, see qmz/baselist.h); a call the library refuses (an
// argument of the wrong type or range) is a COM error with the library's message.
#pragma once

#include <windows.h>

#include <oaidl.h>

namespace qmz::com {

// A new BaseList with one reference the caller owns, queried for `iid`.
HRESULT CreateBaseList(REFIID iid, void** out);

}  // namespace qmz::com
