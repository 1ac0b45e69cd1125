// The public headers of include/qmz, seen with default visibility. This library is compiled
// with -fvisibility=hidden; the classes those headers declare are part of its exported C++ API
// (cmake/qmzbaselist.map), and their vtables and type information must not turn hidden here.
// Include this before any other header of the library.
#pragma once

#pragma GCC visibility push(default)
#include "qmz/baselist.h"
#include "qmz/components.h"
#include "qmz/containers.h"
#include "qmz/dialogs.h"
#include "qmz/error.h"
#include "qmz/host.h"
#include "qmz/recordset.h"
#include "qmz/suite.h"
#include "qmz/variant.h"
#pragma GCC visibility pop
