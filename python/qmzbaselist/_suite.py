"""The session on a suite database, and the health check that needs none."""

import contextlib as _contextlib
import ctypes as _ctypes
import json as _json
import weakref as _weakref
from typing import Iterator as _Iterator
from typing import Mapping as _Mapping
from typing import Optional as _Optional
from typing import Union as _Union

from . import _native
from ._components import BaseList, Component
from ._errors import check_status as _check
from ._native import lib as _lib
from ._results import Result as _Result

_HostValue = _Union[bool, int, str]

def check(database: str, read_db: _Optional[str] = None) -> dict:
    """A host's health check of a suite database, no session needed: connects as a desk would,
    reads the suite's schema, and answers server, read_only, application_name and round_trip_ms
    (with `read_db`, its own under "read"); raises Error with the reason."""
    handle = _ctypes.c_void_p()
    encoded = _native.encode(database), _native.encode_optional(read_db)
    _check(_lib.qmz_check(*encoded, _ctypes.byref(handle)))
    with _Result(handle) as result:
        return _json.loads(result.json())


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
        encoded = _native.encode(database), _native.encode_optional(read_db), _native.encode(user)
        _check(_lib.qmz_session_open_read(*encoded, int(outer_login), _ctypes.byref(handle)))
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
