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

import contextlib as _contextlib
import ctypes as _ctypes
import enum as _enum
import json as _json
import weakref as _weakref
from typing import Any as _Any
from typing import Iterator as _Iterator
from typing import Mapping as _Mapping
from typing import Optional as _Optional
from typing import Union as _Union

from . import _native
from ._native import lib as _lib

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

_HostValue = _Union[bool, int, str]
_Scalar = _Optional[_Union[bool, int, float, str]]


class Status(_enum.IntEnum):
    """The C interface's qmz_status codes."""

    OK = 0
    E_ARGUMENT = 1
    E_HANDLE = 2
    E_COMPONENT = 3
    E_NOT_FOUND = 4
    E_KIND = 5
    E_STATE = 6
    E_INTERNAL = 7


class Error(Exception):
    """A failure reported by the library: `status` is its qmz_status (a Status, or the plain
    int of a code newer than this package), str() its message."""

    def __init__(self, message: str, status: int) -> None:
        super().__init__(message)
        self.message = message
        try:
            self.status: _Union[Status, int] = Status(status)
        except ValueError:  # a code newer than this package
            self.status = status


def _check(status: int) -> None:
    if status != Status.OK:
        raise Error(_native.last_error(), status)


def _row(packed: int, length: int) -> dict[str, str]:
    """A row packed by the library (key, NUL, value, NUL, ...; qmz_dict_texts) as a dict."""
    if not length:
        return {}
    parts = iter(_string_at(packed, length).decode("utf-8", "replace").split("\0"))
    return dict(zip(parts, parts))


_string_at = _ctypes.string_at


def check(database: str, read_db: _Optional[str] = None) -> dict:
    """A host's health check of a suite database, no session needed: connects as a desk would,
    reads the suite's schema, and answers server, read_only, application_name and round_trip_ms
    (with `read_db`, its own under "read"); raises Error with the reason."""
    handle = _ctypes.c_void_p()
    _check(
        _lib.qmz_check(
            _native.encode(database),
            None if read_db is None else _native.encode(read_db),
            _ctypes.byref(handle),
        )
    )
    with _Result(handle) as result:
        return _json.loads(result.json())


def version() -> str:
    """The library's version, "major.minor.patch"."""
    return _lib.qmz_version().decode()


def live_handles() -> int:
    """How many handles of the library are live in this process (sessions, components, results
    a call has not released yet)."""
    count = _ctypes.c_size_t()
    _check(_lib.qmz_handle_count(_ctypes.byref(count)))
    return count.value


class Recordset:
    """A recordset result, read whole: its field names and its records in order."""

    def __init__(self, fields: list[str], rows: list[tuple]) -> None:
        self.fields = fields
        self._rows = rows

    def __len__(self) -> int:
        return len(self._rows)

    def __getitem__(self, index: int) -> dict[str, _Scalar]:
        return dict(zip(self.fields, self._rows[index]))

    def __iter__(self) -> _Iterator[dict[str, _Scalar]]:
        for row in self._rows:
            yield dict(zip(self.fields, row))

    def __repr__(self) -> str:
        return f"Recordset(fields={self.fields!r}, records={len(self)})"


class _Result:
    """A result handle, destroyed when the block ends."""

    def __init__(self, handle: _ctypes.c_void_p) -> None:
        self.handle = handle

    def __enter__(self) -> "_Result":
        return self

    def __exit__(self, *exc: object) -> None:
        _lib.qmz_result_destroy(self.handle)

    def kind(self) -> int:
        kind = _ctypes.c_int()
        _check(_lib.qmz_result_kind_of(self.handle, _ctypes.byref(kind)))
        return kind.value

    def json(self) -> str:
        text = _ctypes.c_char_p()
        _check(_lib.qmz_result_json(self.handle, _ctypes.byref(text)))
        return _native.text(text.value)

    def _count(self, function: _Any) -> int:
        count = _ctypes.c_size_t()
        _check(function(self.handle, _ctypes.byref(count)))
        return count.value

    def texts(self) -> _Optional[dict[str, str]]:
        """A dictionary of texts (every lookup's row) in one call and one decode; None for any
        other result."""
        packed = _ctypes.c_void_p()
        length = _ctypes.c_size_t()
        if _lib.qmz_dict_texts(self.handle, _ctypes.byref(packed), _ctypes.byref(length)) != 0:
            return None
        return _row(packed.value, length.value)

    def dictionary(self) -> dict[str, _Scalar]:
        row = self.texts()
        return row if row is not None else self._entries()

    def _entries(self) -> dict[str, _Scalar]:
        """Every entry in one call, each value as its kind."""
        capacity = 32
        while True:
            keys = (_ctypes.c_char_p * capacity)()
            values = (_native.Value * capacity)()
            count = _ctypes.c_size_t()
            _check(
                _lib.qmz_dict_entries(self.handle, keys, values, capacity, _ctypes.byref(count))
            )
            if count.value <= capacity:
                break
            capacity = count.value
        text, from_value = _native.text, _native.from_value
        return {text(keys[i]): from_value(values[i]) for i in range(count.value)}

    def python(self) -> _Any:
        row = self.texts()
        if row is not None:
            return row
        kind = self.kind()
        if kind == _native.RESULT_NULL:
            return None
        if kind == _native.RESULT_SCALAR:
            value = _native.Value()
            _check(_lib.qmz_result_scalar(self.handle, _ctypes.byref(value)))
            return _native.from_value(value)
        if kind == _native.RESULT_DICTIONARY:
            return self._entries()  # not texts alone: asked above
        if kind == _native.RESULT_VECTOR:
            items = []
            for index in range(self._count(_lib.qmz_vector_count)):
                item = _ctypes.c_void_p()
                _check(_lib.qmz_result_item(self.handle, index, _ctypes.byref(item)))
                with _Result(item) as result:
                    items.append(result.python())
            return items
        if kind == _native.RESULT_RECORDSET:
            return self.recordset()
        return self.json()

    def recordset(self) -> Recordset:
        name = _ctypes.c_char_p()
        fields = []
        for index in range(self._count(_lib.qmz_recordset_field_count)):
            _check(_lib.qmz_recordset_field_name(self.handle, index, _ctypes.byref(name)))
            fields.append(_native.text(name.value))
        value = _native.Value()
        rows = []
        for record in range(self._count(_lib.qmz_recordset_record_count)):
            row = []
            for field in range(len(fields)):
                _check(
                    _lib.qmz_recordset_value(self.handle, record, field, _ctypes.byref(value))
                )
                row.append(_native.from_value(value))
            rows.append(tuple(row))
        return Recordset(fields, rows)


# Member names as the library takes them, encoded once.
_MEMBER_NAMES: dict[str, bytes] = {}
_invoke_texts = _lib.qmz_invoke_texts
_invoke_lookup = _native.invoke_lookup
_INT64_MIN, _INT64_MAX = _native.INT64_MIN, _native.INT64_MAX


class Component:
    """A component created by ProgID, called by member name."""

    def __init__(self, suite: "Suite", prog_id: str) -> None:
        handle = _ctypes.c_void_p()
        _check(_lib.qmz_create(suite._handle, _native.encode(prog_id), _ctypes.byref(handle)))
        object.__setattr__(self, "_handle", handle)
        object.__setattr__(self, "_suite", suite)  # its session stays open while it lives
        # Out-parameters of invoke, made once: a lookup per order line costs little more than
        # its query.
        for attribute, kind in (("_packed", _ctypes.c_void_p), ("_length", _ctypes.c_size_t),
                                ("_result", _ctypes.c_void_p)):
            cell = kind()
            object.__setattr__(self, attribute, cell)
            object.__setattr__(self, attribute + "_ref", _ctypes.byref(cell))
        object.__setattr__(self, "_five", _native.LookupArgs())

    def _call(self, member: str, args: tuple) -> _Result:
        keep: list = []
        values = _native.values(args, keep)
        result = _ctypes.c_void_p()
        name = _MEMBER_NAMES.get(member)
        if name is None:
            name = _MEMBER_NAMES.setdefault(member, _native.encode(member))
        _check(_lib.qmz_invoke(self._handle, name, values, len(args), _ctypes.byref(result)))
        return _Result(result)

    def invoke(self, member: str, *args: _Scalar) -> _Any:
        """Calls a member by name (any case) and answers its result as a Python value."""
        name = _MEMBER_NAMES.get(member)
        if name is None:
            name = _MEMBER_NAMES.setdefault(member, _native.encode(member))
        if len(args) == 5:
            return self._lookup(name, *args)
        return self._invoke(name, args)

    def _invoke(self, name: bytes, args: tuple) -> _Any:
        """Any member, its arguments as qmz_values, in one call."""
        keep: list = []
        values = _native.values(args, keep)
        status = _invoke_texts(
            self._handle, name, values, len(args), self._packed_ref, self._length_ref,
            self._result_ref,
        )
        return self._answer(status)

    def _lookup(self, name: bytes, item: _Scalar, text: _Scalar, stock: _Scalar, aux: _Scalar,
                class_type: _Scalar) -> _Any:
        """A member of the five arguments every lookup and picker takes, named as the library
        takes it: one foreign call with them in place when they are four int64s and a text,
        else as any member."""
        if not (type(item) is int and type(text) is str and type(stock) is int
                and type(aux) is int and type(class_type) is int
                and _INT64_MIN <= item <= _INT64_MAX and _INT64_MIN <= stock <= _INT64_MAX
                and _INT64_MIN <= aux <= _INT64_MAX and _INT64_MIN <= class_type <= _INT64_MAX):
            return self._invoke(name, (item, text, stock, aux, class_type))
        five = self._five
        five.v0, five.v2, five.v3, five.v4 = item, stock, aux, class_type
        five.v1 = _native.encode(text)
        return self._answer(_invoke_lookup(
            self._handle, name, five, 5, self._packed_ref, self._length_ref, self._result_ref,
        ))

    def _answer(self, status: int) -> _Any:
        """What a call through qmz_invoke_texts answered: a row of texts (packed), another
        result, or None; an error raised."""
        if status:
            raise Error(_native.last_error(), status)
        result = self._result
        if result.value:
            with _Result(_ctypes.c_void_p(result.value)) as other:
                result.value = None
                return other.python()
        packed = self._packed.value
        if not packed:
            return None
        return _row(packed, self._length.value)

    def invoke_json(self, member: str, *args: _Scalar) -> str:
        """Calls a member and answers its result as the baselist command prints it."""
        with self._call(member, args) as result:
            return result.json()

    def set_property(self, name: str, value: _Scalar) -> None:
        """Writes a property by name."""
        keep: list = []
        value_in = _native.to_value(value, keep)
        _check(_lib.qmz_set_property(self._handle, _native.encode(name), value_in))

    def close(self) -> None:
        """Releases the component; later calls raise Error."""
        _lib.qmz_object_destroy(self._handle)

    def __del__(self) -> None:
        handle = self.__dict__.get("_handle")
        if handle is not None and _lib is not None:
            _lib.qmz_object_destroy(handle)  # a handle already destroyed is refused harmlessly


class BaseList(Component):
    """QMZBaseList.BaseList. KeyWord, Filter, FilterItem and RequiredQty are write-only
    properties."""

    _PROPERTIES = ("KeyWord", "Filter", "FilterItem", "RequiredQty")

    def __init__(self, suite: "Suite") -> None:
        super().__init__(suite, "QMZBaseList.BaseList")

    def __setattr__(self, name: str, value: _Any) -> None:
        if name in self._PROPERTIES:
            self.set_property(name, value)
        else:
            object.__setattr__(self, name, value)

    # The lookups and pickers take the same five arguments: the item, a text (the batch, the
    # aux name, or the filter of the picker's search box), the warehouse, the aux property and
    # the class type; 0 means any.

    def GetBatch(
        self, item: int, batch: str, stock: int = 0, aux: int = 0, class_type: int = 0
    ) -> _Optional[dict]:
        """The first inventory row of the item's batch (texts), as a dict."""
        return self._lookup(b"GetBatch", item, batch, stock, aux, class_type)

    def GetAux(
        self, item: int, aux: str, stock: int = 0, aux_id: int = 0, class_type: int = 0
    ) -> _Optional[dict]:
        """The first total row of the item's auxiliary properties whose name holds `aux`."""
        return self._lookup(b"GetAux", item, aux, stock, aux_id, class_type)

    def Show(self, user_id: int = 0, class_id: int = 0) -> _Optional[Recordset]:
        """The base-data list dialog: the chosen batch's inventory rows, or None."""
        return self.invoke("Show", user_id, class_id)

    def ShowEx(self, class_id: int) -> _Optional[Recordset]:
        """As Show, after checking the login's user id."""
        return self.invoke("ShowEx", class_id)

    def ShowBatch(
        self, item: int, filter: str = "", stock: int = 0, aux: int = 0, class_type: int = 0
    ) -> _Optional[dict]:
        """The batch picker: the chosen row, or None."""
        return self._lookup(b"ShowBatch", item, filter, stock, aux, class_type)

    def ShowBatchForMultiSelBatchNo(
        self, item: int, filter: str = "", stock: int = 0, aux: int = 0, class_type: int = 0
    ) -> _Optional[list]:
        """The batch picker with several rows allowed: a list of rows, or None."""
        return self._lookup(b"ShowBatchForMultiSelBatchNo", item, filter, stock, aux, class_type)

    def AllocateBatches(
        self, item: int, qty: float, stock: int = 0, aux: int = 0, class_type: int = 0
    ) -> _Optional[list]:
        """`qty` spread over the item's batches first-expiry-first, as the batch picker of
        several rows preselects it for RequiredQty: the rows taken, each with FTakeQty and
        FMissingQty (what is still missing); [] when nothing can be taken."""
        return self.invoke("AllocateBatches", item, float(qty), stock, aux, class_type)

    def ShowAux(
        self, item: int, filter: str = "", stock: int = 0, aux: int = 0, class_type: int = 0
    ) -> _Optional[dict]:
        """The aux picker after the rights check: the chosen row, or None."""
        return self._lookup(b"ShowAux", item, filter, stock, aux, class_type)

    def ShowAuxForMultiSel(
        self, item: int, filter: str = "", stock: int = 0, aux: int = 0, class_type: int = 0
    ) -> _Optional[list]:
        """The aux picker with several rows allowed: a list of rows, or None."""
        return self._lookup(b"ShowAuxForMultiSel", item, filter, stock, aux, class_type)


class Suite:
    """A session on a suite database: the user logged in, the host properties published."""

    def __init__(
        self,
        database: str,
        user: str = "administrator",
        host_properties: _Optional[_Mapping[str, _HostValue]] = None,
        outer_login: bool = False,
        read_db: _Optional[str] = None,
    ) -> None:
        handle = _ctypes.c_void_p()
        _check(
            _lib.qmz_session_open_read(
                _native.encode(database),
                None if read_db is None else _native.encode(read_db),
                _native.encode(user),
                int(outer_login),
                _ctypes.byref(handle),
            )
        )
        self._handle: _Optional[_ctypes.c_void_p] = handle
        self._database, self._read_db = database, read_db
        # A Suite collected without close() closes its session then (or at exit at the latest),
        # so the process can open another.
        self._closer = _weakref.finalize(self, _lib.qmz_session_close, handle)
        self._dialogs: tuple[int, _Optional[str]] = (_native.DIALOGS_NONE, None)
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

    def check(self) -> dict:
        """The health check (`check`) of the session's database and read database."""
        return check(self._database, self._read_db)

    @property
    def warnings(self) -> list[str]:
        """What the suite set aside without troubling the user (a setting not saved, and why):
        the last such warning since the session opened, or none."""
        warning = _lib.qmz_last_warning().decode("utf-8", "replace")
        return [warning] if warning else []

    def close(self) -> None:
        """Ends the session: its dialogs end, its host properties are withdrawn."""
        if self._handle is not None:
            self._closer()
            self._handle = None

    def set_host_property(self, key: str, value: _HostValue) -> None:
        """Publishes a host property (bool, int or str) the component reads."""
        name = _native.encode(key)
        if isinstance(value, bool):
            _check(_lib.qmz_session_set_bool(self._handle, name, int(value)))
        elif isinstance(value, int):
            _check(_lib.qmz_session_set_integer(self._handle, name, _native.integer(value)))
        elif isinstance(value, str):
            _check(_lib.qmz_session_set_text(self._handle, name, _native.encode(value)))
        else:
            raise TypeError(f"a host property is bool, int or str, not {type(value).__name__}")

    def BaseList(self) -> BaseList:
        """A new BaseList."""
        return BaseList(self)

    def create(self, prog_id: str) -> Component:
        """A component by ProgID or class id in braces."""
        return Component(self, prog_id)

    def _set_dialogs(self, mode: int, script: _Optional[str]) -> None:
        encoded = _native.encode(script) if script is not None else None
        _check(_lib.qmz_session_set_dialogs(self._handle, mode, encoded))
        self._dialogs = (mode, script)

    @_contextlib.contextmanager
    def _dialogs_while(self, mode: int, script: _Optional[str]) -> _Iterator["Suite"]:
        before = self._dialogs
        self._set_dialogs(mode, script)
        try:
            yield self
        finally:
            if self._closer.alive:  # not closed, by close() or at exit
                self._set_dialogs(*before)

    def scripted_user(self, script: str) -> _contextlib.AbstractContextManager:
        """Within the block, a scripted user plays `script` in the dialogs (docs/dialogs.md)."""
        return self._dialogs_while(_native.DIALOGS_SCRIPTED, script)

    def qt_dialogs(self) -> _contextlib.AbstractContextManager:
        """Within the block, the dialogs are real Qt dialogs, on the host's QApplication."""
        return self._dialogs_while(_native.DIALOGS_QT, None)

    def messages(self) -> str:
        """What the scripted user's dialogs said since the last call."""
        text = _ctypes.c_char_p()
        _check(_lib.qmz_session_messages(self._handle, _ctypes.byref(text)))
        return _native.text(text.value)
