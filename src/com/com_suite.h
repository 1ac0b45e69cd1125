// The helper class Suite as a COM object (ISuite): what the suite's own login and host do for a
// BaseList, done through the library's C interface (qmz/qmz_c.h): open a suite database and log
// a user in (one session a process), publish host properties, choose the scripted user for the
// dialogs, read what that user saw, close. Failures are COM errors with the library's message.
#pragma once

#include <windows.h>

#include <oaidl.h>

namespace qmz::com {

// A new Suite with one reference the caller owns, queried for `iid`.
HRESULT CreateSuite(REFIID iid, void** out);

}  // namespace qmz::com
