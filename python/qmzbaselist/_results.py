"""Results of the library's calls as Python values: rows as dicts, recordsets read whole."""

import ctypes as _ctypes
from typing import Any as _Any
from typing import Iterator as _Iterator
from typing import Optional as _Optional
from typing import Union as _Union

from . import _native
from ._errors import check_status as _check
from ._native import lib as _lib

Scalar = _Optional[_Union[bool, int, float, str]]

def row(packed: int, length: int) -> dict[str, str]:
    """A row packed by the library (key, NUL, value, NUL, ...; qmz_dict_texts) as a dict."""
    if not length:
        return {}
    parts = iter(_string_at(packed, length).decode("utf-8", "replace").split("\0"))
    return dict(zip(parts, parts))


_string_at = _ctypes.string_at


class Recordset:
    """A recordset result, read whole: its field names and its records in order."""

    def __init__(self, fields: list[str], rows: list[tuple]) -> None:
        self.fields = fields
        self._rows = rows

    def __len__(self) -> int:
        return len(self._rows)

    def __getitem__(self, index: int) -> dict[str, Scalar]:
        return dict(zip(self.fields, self._rows[index]))

    def __iter__(self) -> _Iterator[dict[str, Scalar]]:
        for row in self._rows:
            yield dict(zip(self.fields, row))

    def __repr__(self) -> str:
        return f"Recordset(fields={self.fields!r}, records={len(self)})"


class Result:
    """A result handle, destroyed when the block ends."""

    def __init__(self, handle: _ctypes.c_void_p) -> None:
        self.handle = handle

    def __enter__(self) -> "Result":
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
        return row(packed.value, length.value)

    def dictionary(self) -> dict[str, Scalar]:
        row = self.texts()
        return row if row is not None else self._entries()

    def _entries(self) -> dict[str, Scalar]:
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
                with Result(item) as result:
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
