// The ODBC API as the suite calls it: unixODBC's headers on Linux, Windows' own (which need
// <windows.h> before them) on Windows.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>
