// The objects the library answers, as COM objects a script indexes and enumerates:
//  - a Dictionary (a row) as IResult: r("FQty") by key, For Each over its keys, Count, Keys,
//    Exists, Json;
//  - a Vector (rows) as IResult: v(1) by position from 1 (as the library's Vector), For Each
//    over its rows, Count, Json;
//  - a Recordset as IRecords, moved through as ADO's: rs("FBatchNo") of the current record,
//    EOF, BOF, MoveFirst, MoveNext, RecordCount, Fields, Json.
// Each holds the library's object (shared with no one else); apartment-threaded.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include "qmz/variant.h"

namespace qmz::com {

// A new COM object for `object` with one reference the caller owns (a caller's own object given
// back as itself); null for a null object. Error for an object of a kind the library never
// answers.
IDispatch* ResultObject(const ObjectPtr& object);

// The library's object behind a result object made here; any other caller's object as an object
// the library holds (with a reference of its own) and gives back as it came; null for null.
ObjectPtr ObjectOf(IDispatch* dispatch);

}  // namespace qmz::com
