"""Components created by ProgID and called by member name; BaseList with its members."""

import ctypes as _ctypes
from typing import Any as _Any
from typing import Optional as _Optional
from typing import Protocol as _Protocol

from . import _native
from ._errors import Error
from ._errors import check_status as _check
from ._native import lib as _lib
from ._results import Recordset, Result
from ._results import Scalar as _Scalar
from ._results import row as _row


class _Session(_Protocol):
    """What a component needs of its Suite: the open session's handle."""

    _handle: _Optional[_ctypes.c_void_p]


# Member names as the library takes them, encoded once.
_MEMBER_NAMES: dict[str, bytes] = {}
_invoke_texts = _lib.qmz_invoke_texts
_invoke_lookup = _native.invoke_lookup
_INT64_MIN, _INT64_MAX = _native.INT64_MIN, _native.INT64_MAX


class Component:
    """A component created by ProgID, called by member name."""

    def __init__(self, suite: _Session, prog_id: str) -> None:
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

    def _call(self, member: str, args: tuple) -> Result:
        keep: list = []
        values = _native.values(args, keep)
        result = _ctypes.c_void_p()
        name = _MEMBER_NAMES.get(member)
        if name is None:
            name = _MEMBER_NAMES.setdefault(member, _native.encode(member))
        _check(_lib.qmz_invoke(self._handle, name, values, len(args), _ctypes.byref(result)))
        return Result(result)

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
            with Result(_ctypes.c_void_p(result.value)) as other:
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

    def __init__(self, suite: _Session) -> None:
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
