"""QMZBaseList from Python: the picker component of the accounting and inventory suite.

    import qmzbaselist as qb
    with qb.Suite("demo/demo.db", user="clerk", host_properties={"ICClosed": 1}) as suite:
        bl = suite.BaseList()
        row = bl.GetBatch(1, "B2601", 0, 0, 0)            # dict, as the baselist command prints it
        with suite.scripted_user("row 2; click cmdYes"):
            rows = bl.ShowBatchForMultiSelBatchNo(1, "", 0, 0, 0)   # list of dicts, or None

Results come as the baselist command's JSON gives them: None for no object, a dict (keys in
order) for a dictionary, a list of dicts for a vector, a Recordset for a recordset. Every
failure of the suite or the component raises Error with its message.

One Suite is open at a time in a process, and it is used from the thread that opened it (for
a Qt host, the thread of its QApplication). The library is libqmzbaselist.so.1 (see _native).
"""

from __future__ import annotations

import contextlib
import ctypes
from typing import Any, Iterator, Mapping, Optional, Union

from . import _native
from ._native import lib

__all__ = ["Error", "Suite", "Component", "BaseList", "Recordset", "version", "live_handles"]

HostValue = Union[bool, int, str]
Scalar = Optional[Union[bool, int, float, str]]


class Error(Exception):
    """A failure reported by the library: `status` is its qmz_status, str() its message."""

    def __init__(self, message: str, status: int) -> None:
        super().__init__(message)
        self.message = message
        self.status = status


def _check(status: int) -> None:
    if status != _native.OK:
        raise Error(_native.last_error(), status)


def version() -> str:
    """The library's version, "major.minor.patch"."""
    return lib.qmz_version().decode()


def live_handles() -> int:
    """How many handles of the library are live in this process (sessions, components, results
    a call has not released yet)."""
    count = ctypes.c_size_t()
    _check(lib.qmz_handle_count(ctypes.byref(count)))
    return count.value


class Recordset:
    """A recordset result, read whole: its field names and its records in order."""

    def __init__(self, fields: list[str], rows: list[tuple]) -> None:
        self.fields = fields
        self._rows = rows

    def __len__(self) -> int:
        return len(self._rows)

    def __getitem__(self, index: int) -> dict[str, Scalar]:
        return dict(zip(self.fields, self._rows[index]))

    def __iter__(self) -> Iterator[dict[str, Scalar]]:
        for row in self._rows:
            yield dict(zip(self.fields, row))

    def __repr__(self) -> str:
        return f"Recordset(fields={self.fields!r}, records={len(self)})"


class _Result:
    """A result handle, destroyed when the block ends."""

    def __init__(self, handle: ctypes.c_void_p) -> None:
        self.handle = handle

    def __enter__(self) -> "_Result":
        return self

    def __exit__(self, *exc: object) -> None:
        lib.qmz_result_destroy(self.handle)

    def kind(self) -> int:
        kind = ctypes.c_int()
        _check(lib.qmz_result_kind_of(self.handle, ctypes.byref(kind)))
        return kind.value

    def json(self) -> str:
        text = ctypes.c_char_p()
        _check(lib.qmz_value_json(self.handle, ctypes.byref(text)))
        return _native.text(text.value)

    def _count(self, function: Any) -> int:
        count = ctypes.c_size_t()
        _check(function(self.handle, ctypes.byref(count)))
        return count.value

    def dictionary(self) -> dict[str, Scalar]:
        out: dict[str, Scalar] = {}
        key = ctypes.c_char_p()
        value = _native.Value()
        for index in range(self._count(lib.qmz_dict_count)):
            _check(lib.qmz_dict_entry(self.handle, index, ctypes.byref(key), ctypes.byref(value)))
            out[_native.text(key.value)] = _native.from_value(value)
        return out

    def python(self) -> Any:
        kind = self.kind()
        if kind == _native.RESULT_NULL:
            return None
        if kind == _native.RESULT_SCALAR:
            value = _native.Value()
            _check(lib.qmz_result_scalar(self.handle, ctypes.byref(value)))
            return _native.from_value(value)
        if kind == _native.RESULT_DICTIONARY:
            return self.dictionary()
        if kind == _native.RESULT_VECTOR:
            items = []
            for index in range(self._count(lib.qmz_vector_count)):
                item = ctypes.c_void_p()
                _check(lib.qmz_result_item(self.handle, index, ctypes.byref(item)))
                with _Result(item) as result:
                    items.append(result.python())
            return items
        if kind == _native.RESULT_RECORDSET:
            return self.recordset()
        return self.json()

    def recordset(self) -> Recordset:
        name = ctypes.c_char_p()
        fields = []
        for index in range(self._count(lib.qmz_recordset_field_count)):
            _check(lib.qmz_recordset_field_name(self.handle, index, ctypes.byref(name)))
            fields.append(_native.text(name.value))
        value = _native.Value()
        rows = []
        for record in range(self._count(lib.qmz_recordset_record_count)):
            row = []
            for field in range(len(fields)):
                _check(lib.qmz_recordset_value(self.handle, record, field, ctypes.byref(value)))
                row.append(_native.from_value(value))
            rows.append(tuple(row))
        return Recordset(fields, rows)


class Component:
    """A component created by ProgID, called by member name."""

    def __init__(self, suite: "Suite", prog_id: str) -> None:
        handle = ctypes.c_void_p()
        _check(lib.qmz_create(suite._handle, prog_id.encode("utf-8"), ctypes.byref(handle)))
        object.__setattr__(self, "_handle", handle)

    def _call(self, member: str, args: tuple) -> _Result:
        keep: list = []
        values = (_native.Value * max(len(args), 1))(
            *[_native.to_value(arg, keep) for arg in args]
        )
        result = ctypes.c_void_p()
        _check(
            lib.qmz_invoke(
                self._handle, member.encode("utf-8"), values, len(args), ctypes.byref(result)
            )
        )
        return _Result(result)

    def invoke(self, member: str, *args: Scalar) -> Any:
        """Calls a member by name (any case) and answers its result as a Python value."""
        with self._call(member, args) as result:
            return result.python()

    def invoke_json(self, member: str, *args: Scalar) -> str:
        """Calls a member and answers its result as the baselist command prints it."""
        with self._call(member, args) as result:
            return result.json()

    def set_property(self, name: str, value: Scalar) -> None:
        """Writes a property by name."""
        keep: list = []
        value_in = _native.to_value(value, keep)
        _check(lib.qmz_set_property(self._handle, name.encode("utf-8"), value_in))

    def close(self) -> None:
        """Releases the component; later calls raise Error."""
        lib.qmz_object_destroy(self._handle)

    def __del__(self) -> None:
        handle = self.__dict__.get("_handle")
        if handle is not None and lib is not None:
            lib.qmz_object_destroy(handle)  # a handle already destroyed is refused harmlessly


class BaseList(Component):
    """QMZBaseList.BaseList. KeyWord, Filter and FilterItem are write-only properties."""

    _PROPERTIES = ("KeyWord", "Filter", "FilterItem")

    def __init__(self, suite: "Suite") -> None:
        super().__init__(suite, "QMZBaseList.BaseList")

    def __setattr__(self, name: str, value: Any) -> None:
        if name in self._PROPERTIES:
            self.set_property(name, value)
        else:
            object.__setattr__(self, name, value)

    # The lookups and pickers take the same five arguments: the item, a text (the batch, the
    # aux name, or the filter of the picker's search box), the warehouse, the aux property and
    # the class type; 0 means any.

    def GetBatch(
        self, item: int, batch: str, stock: int = 0, aux: int = 0, class_type: int = 0
    ) -> Optional[dict]:
        """The first inventory row of the item's batch (texts), as a dict."""
        return self.invoke("GetBatch", item, batch, stock, aux, class_type)

    def GetAux(
        self, item: int, aux: str, stock: int = 0, aux_id: int = 0, class_type: int = 0
    ) -> Optional[dict]:
        """The first total row of the item's auxiliary properties whose name holds `aux`."""
        return self.invoke("GetAux", item, aux, stock, aux_id, class_type)

    def Show(self, user_id: int = 0, class_id: int = 0) -> Optional[Recordset]:
        """The base-data list dialog: the chosen batch's inventory rows, or None."""
        return self.invoke("Show", user_id, class_id)

    def ShowEx(self, class_id: int) -> Optional[Recordset]:
        """As Show, after checking the login's user id."""
        return self.invoke("ShowEx", class_id)

    def ShowBatch(
        self, item: int, filter: str = "", stock: int = 0, aux: int = 0, class_type: int = 0
    ) -> Optional[dict]:
        """The batch picker: the chosen row, or None."""
        return self.invoke("ShowBatch", item, filter, stock, aux, class_type)

    def ShowBatchForMultiSelBatchNo(
        self, item: int, filter: str = "", stock: int = 0, aux: int = 0, class_type: int = 0
    ) -> Optional[list]:
        """The batch picker with several rows allowed: a list of rows, or None."""
        return self.invoke("ShowBatchForMultiSelBatchNo", item, filter, stock, aux, class_type)

    def ShowAux(
        self, item: int, filter: str = "", stock: int = 0, aux: int = 0, class_type: int = 0
    ) -> Optional[dict]:
        """The aux picker after the rights check: the chosen row, or None."""
        return self.invoke("ShowAux", item, filter, stock, aux, class_type)

    def ShowAuxForMultiSel(
        self, item: int, filter: str = "", stock: int = 0, aux: int = 0, class_type: int = 0
    ) -> Optional[list]:
        """The aux picker with several rows allowed: a list of rows, or None."""
        return self.invoke("ShowAuxForMultiSel", item, filter, stock, aux, class_type)


class Suite:
    """A session on a suite database: the user logged in, the host properties published."""

    def __init__(
        self,
        database: str,
        user: str = "administrator",
        host_properties: Optional[Mapping[str, HostValue]] = None,
        outer_login: bool = False,
    ) -> None:
        handle = ctypes.c_void_p()
        _check(
            lib.qmz_session_open_ex(
                database.encode("utf-8"),
                user.encode("utf-8"),
                int(outer_login),
                ctypes.byref(handle),
            )
        )
        self._handle: Optional[ctypes.c_void_p] = handle
        self._dialogs: tuple[int, Optional[str]] = (_native.DIALOGS_NONE, None)
        try:
            for key, value in (host_properties or {}).items():
                self.set_host_property(key, value)
        except BaseException:
            self.close()
            raise

    def __enter__(self) -> "Suite":
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def close(self) -> None:
        """Ends the session: its dialogs end, its host properties are withdrawn."""
        if self._handle is not None:
            lib.qmz_session_close(self._handle)
            self._handle = None

    def set_host_property(self, key: str, value: HostValue) -> None:
        """Publishes a host property (bool, int or str) the component reads."""
        name = key.encode("utf-8")
        if isinstance(value, bool):
            _check(lib.qmz_session_set_bool(self._handle, name, int(value)))
        elif isinstance(value, int):
            _check(lib.qmz_session_set_integer(self._handle, name, value))
        elif isinstance(value, str):
            _check(lib.qmz_session_set_text(self._handle, name, value.encode("utf-8")))
        else:
            raise TypeError(f"a host property is bool, int or str, not {type(value).__name__}")

    def BaseList(self) -> BaseList:
        """A new BaseList."""
        return BaseList(self)

    def create(self, prog_id: str) -> Component:
        """A component by ProgID or class id in braces."""
        return Component(self, prog_id)

    def _set_dialogs(self, mode: int, script: Optional[str]) -> None:
        encoded = script.encode("utf-8") if script is not None else None
        _check(lib.qmz_session_set_dialogs(self._handle, mode, encoded))
        self._dialogs = (mode, script)

    @contextlib.contextmanager
    def _dialogs_while(self, mode: int, script: Optional[str]) -> Iterator["Suite"]:
        before = self._dialogs
        self._set_dialogs(mode, script)
        try:
            yield self
        finally:
            if self._handle is not None:
                self._set_dialogs(*before)

    def scripted_user(self, script: str) -> contextlib.AbstractContextManager:
        """Within the block, a scripted user plays `script` in the dialogs (docs/dialogs.md)."""
        return self._dialogs_while(_native.DIALOGS_SCRIPTED, script)

    def qt_dialogs(self) -> contextlib.AbstractContextManager:
        """Within the block, the dialogs are real Qt dialogs, on the host's QApplication."""
        return self._dialogs_while(_native.DIALOGS_QT, None)

    def messages(self) -> str:
        """What the scripted user's dialogs said since the last call."""
        text = ctypes.c_char_p()
        _check(lib.qmz_session_messages(self._handle, ctypes.byref(text)))
        return _native.text(text.value)
