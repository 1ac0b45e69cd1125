"""Fixtures: a fresh demo suite made by the baselist command (QMZ_BASELIST names it) and one
open session on it."""

import os
import subprocess

import pytest

import qmzbaselist as qb


@pytest.fixture(scope="session")
def demo(tmp_path_factory):
    """The demo database's path; its machine settings and component folder are the process's."""
    folder = tmp_path_factory.mktemp("suite")
    database = str(folder / "demo.db")
    subprocess.run(
        [os.environ["QMZ_BASELIST"], "init-db", "--demo", "--db", database],
        check=True,
        capture_output=True,
    )
    os.environ["QMZ_MACHINE_SETTINGS"] = str(folder / "machine.ini")
    os.environ["QMZ_COMPONENT_DIR"] = str(folder)
    return database


@pytest.fixture
def suite(demo):
    with qb.Suite(demo, user="clerk", host_properties={"ICClosed": 1}) as opened:
        yield opened


def command(*args):
    """The baselist command's standard output for an operation."""
    done = subprocess.run(
        [os.environ["QMZ_BASELIST"], *args], check=True, capture_output=True, text=True
    )
    return done.stdout


def failure(call):
    """The status and message of the library's error that `call` raises."""
    with pytest.raises(qb.Error) as raised:
        call()
    return raised.value.status, str(raised.value)
