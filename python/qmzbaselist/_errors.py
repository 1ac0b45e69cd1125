"""The library's status codes and the exception every failure raises."""

import enum as _enum
from typing import Union as _Union

from . import _native


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


def check_status(status: int) -> None:
    """Raises Error for a status other than OK, with the library's last message."""
    if status != Status.OK:
        raise Error(_native.last_error(), status)
