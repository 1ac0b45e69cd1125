"""QMZBaseList from Python: the picker component of the accounting and inventory suite.

    import qmzbaselist as qb
    with qb.Suite("demo/demo.db", user="clerk", host_properties={"ICClosed": 1}) as suite:
        bl = suite.BaseList()
        row = bl.GetBatch(1, "B2601", 0, 0, 0)            # dict, as the baselist command prints it
        with suite.scripted_user("row 2; click cmdYes"):
            rows = bl.ShowBatchForMultiSelBatchNo(1, "", 0, 0, 0)   # list of dicts, or None

Results come as the baselist command's JSON gives them: None for no object, a dict (keys in
order) for a dictionary, a list of dicts for a vector, a Recordset for a recordset. Every
failure of the suite or the component raises Error with its message and Status. An integer
outside 64 bits raises OverflowError, a text holding a NUL character ValueError.

One Suite is open at a time in a process, and it is used from the thread that opened it (for
a Qt host, the thread of its QApplication). A Suite dropped without close() is closed when it
is collected; its components keep it open while they live. The library is
libqmzbaselist.so.1 (see _native).
"""

import ctypes as _ctypes

from ._components import BaseList, Component
from ._errors import Error, Status
from ._errors import check_status as _check
from ._native import lib as _lib
from ._results import Recordset
from ._suite import Suite, check

__all__ = [
    "Error",
    "Status",
    "Suite",
    "Component",
    "BaseList",
    "Recordset",
    "version",
    "live_handles",
    "check",
]

# The public names are this package's, wherever they are written.
for _public in (Error, Status, Suite, Component, BaseList, Recordset, check):
    _public.__module__ = __name__


def version() -> str:
    """The library's version, "major.minor.patch"."""
    return _lib.qmz_version().decode()


def live_handles() -> int:
    """How many handles of the library are live in this process (sessions, components, results
    a call has not released yet)."""
    count = _ctypes.c_size_t()
    _check(_lib.qmz_handle_count(_ctypes.byref(count)))
    return count.value
