"""The C interface of libqmzbaselist.so.1 (qmz/qmz_c.h) through ctypes.

The library is looked for, in this order: the file named by QMZBASELIST_LIBRARY; where the
install put it, relative to this package; beside this package; by its SONAME on the loader's
path. A QMZBASELIST_LIBRARY that names no file fails the import.
"""

from __future__ import annotations

import ctypes
import os
from typing import Any, Optional

SONAME = "libqmzbaselist.so.1"
INT64_MIN, INT64_MAX = -(2**63), 2**63 - 1

NULL, BOOL, INTEGER, DOUBLE, TEXT = range(5)
RESULT_NULL, RESULT_SCALAR, RESULT_DICTIONARY, RESULT_VECTOR, RESULT_RECORDSET, RESULT_OTHER = (
    range(6)
)
DIALOGS_NONE, DIALOGS_QT, DIALOGS_SCRIPTED = range(3)


class _Scalar(ctypes.Union):
    _fields_ = [
        ("boolean", ctypes.c_int),
        ("integer", ctypes.c_int64),
        ("number", ctypes.c_double),
        ("text", ctypes.c_char_p),
    ]


class Value(ctypes.Structure):
    """qmz_value: a type tag and the value."""

    _fields_ = [("type", ctypes.c_int), ("as_", _Scalar)]


def _candidates() -> list[str]:
    here = os.path.dirname(os.path.abspath(__file__))
    found = []
    named = os.environ.get("QMZBASELIST_LIBRARY")
    if named:
        if not os.path.exists(named):
            # The host asked for this file: falling back to another library would hide that.
            raise ImportError(f"QMZBASELIST_LIBRARY names a file that does not exist: {named}")
        found.append(named)
    try:
        from . import _installed  # written by cmake --install

        found.append(os.path.normpath(os.path.join(here, _installed.LIBRARY_DIR, SONAME)))
    except ImportError:
        pass
    found.append(os.path.join(here, SONAME))
    return found


def _load() -> ctypes.CDLL:
    for path in _candidates():
        if os.path.exists(path):
            return ctypes.CDLL(path)
    return ctypes.CDLL(SONAME)


lib = _load()

_handle = ctypes.c_void_p
_status = ctypes.c_int
_out = ctypes.POINTER(ctypes.c_void_p)
_text_out = ctypes.POINTER(ctypes.c_char_p)
_size_out = ctypes.POINTER(ctypes.c_size_t)
_value_out = ctypes.POINTER(Value)

_PROTOTYPES = {
    "qmz_last_error": (ctypes.c_char_p, []),
    "qmz_version": (ctypes.c_char_p, []),
    "qmz_handle_count": (_status, [_size_out]),
    "qmz_session_open_ex": (_status, [ctypes.c_char_p, ctypes.c_char_p, ctypes.c_int, _out]),
    "qmz_session_open_read": (
        _status,
        [ctypes.c_char_p, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_int, _out],
    ),
    "qmz_last_warning": (ctypes.c_char_p, []),
    "qmz_check": (_status, [ctypes.c_char_p, ctypes.c_char_p, _out]),
    "qmz_session_close": (_status, [_handle]),
    "qmz_session_set_bool": (_status, [_handle, ctypes.c_char_p, ctypes.c_int]),
    "qmz_session_set_integer": (_status, [_handle, ctypes.c_char_p, ctypes.c_int64]),
    "qmz_session_set_text": (_status, [_handle, ctypes.c_char_p, ctypes.c_char_p]),
    "qmz_session_set_dialogs": (_status, [_handle, ctypes.c_int, ctypes.c_char_p]),
    "qmz_session_messages": (_status, [_handle, _text_out]),
    "qmz_create": (_status, [_handle, ctypes.c_char_p, _out]),
    "qmz_object_destroy": (_status, [_handle]),
    "qmz_set_property": (_status, [_handle, ctypes.c_char_p, Value]),
    "qmz_invoke": (
        _status,
        [_handle, ctypes.c_char_p, ctypes.POINTER(Value), ctypes.c_size_t, _out],
    ),
    "qmz_invoke_texts": (
        _status,
        [_handle, ctypes.c_char_p, ctypes.POINTER(Value), ctypes.c_size_t,
         ctypes.POINTER(ctypes.c_void_p), _size_out, _out],
    ),
    "qmz_result_destroy": (_status, [_handle]),
    "qmz_result_kind_of": (_status, [_handle, ctypes.POINTER(ctypes.c_int)]),
    "qmz_result_json": (_status, [_handle, _text_out]),
    "qmz_result_scalar": (_status, [_handle, _value_out]),
    "qmz_dict_count": (_status, [_handle, _size_out]),
    "qmz_dict_entry": (_status, [_handle, ctypes.c_size_t, _text_out, _value_out]),
    "qmz_dict_texts": (_status, [_handle, ctypes.POINTER(ctypes.c_void_p), _size_out]),
    "qmz_dict_entries": (
        _status,
        [_handle, ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(Value), ctypes.c_size_t,
         _size_out],
    ),
    "qmz_vector_count": (_status, [_handle, _size_out]),
    "qmz_result_item": (_status, [_handle, ctypes.c_size_t, _out]),
    "qmz_recordset_field_count": (_status, [_handle, _size_out]),
    "qmz_recordset_field_name": (_status, [_handle, ctypes.c_size_t, _text_out]),
    "qmz_recordset_record_count": (_status, [_handle, _size_out]),
    "qmz_recordset_value": (_status, [_handle, ctypes.c_size_t, ctypes.c_size_t, _value_out]),
}
for _name, (_restype, _argtypes) in _PROTOTYPES.items():
    _function = getattr(lib, _name)
    _function.restype = _restype
    _function.argtypes = _argtypes


class LookupArgs(ctypes.Structure):
    """The five arguments of the lookups and pickers (item, text, stock, aux, class type) laid
    out as five qmz_value, each field set directly: a row of `Value` builds each slot through
    two proxies. Used only when the arguments are an int, a str and three ints."""

    _fields_ = [
        ("t0", ctypes.c_int), ("v0", ctypes.c_int64),
        ("t1", ctypes.c_int), ("v1", ctypes.c_char_p),
        ("t2", ctypes.c_int), ("v2", ctypes.c_int64),
        ("t3", ctypes.c_int), ("v3", ctypes.c_int64),
        ("t4", ctypes.c_int), ("v4", ctypes.c_int64),
    ]

    def __init__(self) -> None:
        super().__init__(INTEGER, 0, TEXT, b"", INTEGER, 0, INTEGER, 0, INTEGER, 0)


assert ctypes.sizeof(LookupArgs) == 5 * ctypes.sizeof(Value)

# qmz_invoke_texts once more, taking LookupArgs for its arguments.
invoke_lookup = lib["qmz_invoke_texts"]
invoke_lookup.restype = _status
invoke_lookup.argtypes = [_handle, ctypes.c_char_p, ctypes.POINTER(LookupArgs), ctypes.c_size_t,
                          ctypes.POINTER(ctypes.c_void_p), _size_out, _out]


def last_error() -> str:
    """The calling thread's last failure message."""
    return lib.qmz_last_error().decode("utf-8", "replace")


def integer(value: int) -> int:
    """An int for an int64_t of the library; ctypes would wrap one out of range, so it raises
    OverflowError."""
    if not INT64_MIN <= value <= INT64_MAX:
        raise OverflowError(f"an integer passed to the library does not fit in 64 bits: {value}")
    return value


def encode(value: str) -> bytes:
    """A text as the library's NUL-terminated UTF-8; C would cut it at a NUL inside, so that
    raises ValueError."""
    encoded = value.encode("utf-8")
    if b"\0" in encoded:
        raise ValueError(f"a text passed to the library holds a NUL character: {value!r}")
    return encoded


def encode_optional(value: "str | None") -> "bytes | None":
    """As encode; None stays None (the library's null pointer)."""
    return None if value is None else encode(value)


def to_value(value: Any, keep: list) -> Value:
    """A Python value as a qmz_value; `keep` holds the encoded texts while the call runs."""
    out = Value()
    kind = type(value)
    if kind is int:  # the common cases first: ids and texts
        out.type = INTEGER
        out.as_.integer = integer(value)
        return out
    if kind is str:
        encoded = encode(value)
        keep.append(encoded)
        out.type = TEXT
        out.as_.text = encoded
        return out
    if value is None:
        out.type = NULL
    elif isinstance(value, bool):
        out.type = BOOL
        out.as_.boolean = 1 if value else 0
    elif isinstance(value, int):
        out.type = INTEGER
        out.as_.integer = integer(value)
    elif isinstance(value, float):
        out.type = DOUBLE
        out.as_.number = value
    elif isinstance(value, str):
        encoded = encode(value)
        keep.append(encoded)
        out.type = TEXT
        out.as_.text = encoded
    else:
        raise TypeError(
            f"a component argument is None, bool, int, float or str, not {type(value).__name__}"
        )
    return out


_ARRAYS: dict = {}


def values(args: tuple, keep: list) -> Any:
    """The arguments as an array of qmz_value (at least one slot), ids and texts filled in
    place, the rest through to_value; `keep` holds the encoded texts while the call runs."""
    count = len(args)
    array_type = _ARRAYS.get(count)
    if array_type is None:
        array_type = _ARRAYS.setdefault(count, Value * max(count, 1))
    out = array_type()
    index = 0
    for value in args:
        kind = type(value)
        if kind is int:
            if not INT64_MIN <= value <= INT64_MAX:
                integer(value)  # raises OverflowError
            slot = out[index]
            slot.type = INTEGER
            slot.as_.integer = value
        elif kind is str:
            encoded = encode(value)
            keep.append(encoded)
            slot = out[index]
            slot.type = TEXT
            slot.as_.text = encoded
        else:
            out[index] = to_value(value, keep)
        index += 1
    return out


def text(raw: Optional[bytes]) -> str:
    """A UTF-8 text of the library; bytes that are no UTF-8 become U+FFFD, as in the command's
    JSON."""
    return (raw or b"").decode("utf-8", "replace")


def from_value(value: Value) -> Optional[Any]:
    """A qmz_value as a Python value (texts are copied)."""
    if value.type == BOOL:
        return bool(value.as_.boolean)
    if value.type == INTEGER:
        return int(value.as_.integer)
    if value.type == DOUBLE:
        return float(value.as_.number)
    if value.type == TEXT:
        return text(value.as_.text)
    return None
