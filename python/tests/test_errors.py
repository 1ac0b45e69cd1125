"""What a host gets wrong raises qmzbaselist.Error (or TypeError, OverflowError, ValueError for
a value the C interface cannot take), and never brings the process down."""

import gc
import os
import subprocess
import sys

import pytest

import qmzbaselist as qb
from conftest import failure


def test_a_missing_database_and_an_unknown_user(demo, tmp_path):
    status, message = failure(lambda: qb.Suite(str(tmp_path / "none.db")))
    assert status is qb.Status.E_COMPONENT
    assert str(tmp_path / "none.db") in message
    # A read database that cannot be reached leaves the reads to the database, with a warning.
    with qb.Suite(demo, read_db=str(tmp_path / "none.db")) as unread:
        assert unread.BaseList().GetBatch(1, "B2601")["FBatchNo"] == "B2601"
        assert str(tmp_path / "none.db") in unread.warnings[0]
    assert failure(lambda: qb.Suite(demo, user="nobody")) == (
        qb.Status.E_COMPONENT,
        "Unknown user of the suite: nobody",
    )


def test_one_session_at_a_time(suite, demo):
    assert failure(lambda: qb.Suite(demo)) == (
        qb.Status.E_STATE,
        "A session is already open in this process; close it first",
    )
    suite.close()
    # A suite dropped without close() is closed when collected, but not before its components.
    bl = qb.Suite(demo, user="clerk").BaseList()
    gc.collect()
    assert bl.GetBatch(1, "B2601")["FBatchNo"] == "B2601"
    del bl
    gc.collect()
    dropped = qb.Suite(demo, user="clerk")
    del dropped
    gc.collect()
    with qb.Suite(demo, user="clerk", read_db=demo) as again:
        assert again.BaseList().GetBatch(1, "B2601")["FBatchNo"] == "B2601"
        assert again.warnings == []


def test_unknown_members_and_wrong_arguments(suite):
    bl = suite.BaseList()
    assert failure(lambda: bl.invoke("NoSuchMember"))[1] == (
        "Object doesn't support this property or method: NoSuchMember"
    )
    assert failure(lambda: bl.invoke("GetBatch", 1, "B2601"))[1] == (
        "Argument not optional: GetBatch expects more than 2 argument(s)"
    )
    assert failure(lambda: bl.GetBatch("one", "B2601")) == (qb.Status.E_COMPONENT, "Type mismatch")
    with pytest.raises(TypeError):
        bl.GetBatch([1], "B2601")
    with pytest.raises(TypeError):
        suite.set_host_property("ICClosed", 1.5)
    with pytest.raises(qb.Error) as unplayable:
        with suite.scripted_user("click cmdNope"):
            bl.ShowBatch(1)
    assert (unplayable.value.status, str(unplayable.value)) == (
        qb.Status.E_COMPONENT,
        "The form frmStock has no control cmdNope",
    )
    with pytest.raises(qb.Error) as unread:
        with suite.scripted_user('type txtBatchNo "unclosed'):
            pass
    assert unread.value.status is qb.Status.E_COMPONENT
    assert failure(lambda: suite.create("No.Such"))[0] is qb.Status.E_COMPONENT


def test_integers_beyond_64_bits_and_texts_holding_nul_are_refused(suite, demo):
    bl = suite.BaseList()
    for big in (2**64 + 1, 2**63, -(2**63) - 1):
        with pytest.raises(OverflowError) as argument:
            bl.GetBatch(big, "B2601")
        assert str(argument.value) == (
            f"an integer passed to the library does not fit in 64 bits: {big}"
        )
    with pytest.raises(OverflowError):
        bl.set_property("KeyWord", 2**64 + 1)
    with pytest.raises(OverflowError):
        suite.set_host_property("ICClosed", 2**64 + 1)
    # Within 64 bits the value reaches the component, which takes a 32-bit item.
    assert failure(lambda: bl.GetBatch(2**63 - 1, "B2601")) == (qb.Status.E_COMPONENT, "Overflow")

    def refused():
        return pytest.raises(ValueError, match="^a text passed to the library holds a NUL ")

    with refused() as batch:
        bl.GetBatch(1, "B2601\0junk")
    assert str(batch.value) == (
        "a text passed to the library holds a NUL character: 'B2601\\x00junk'"
    )
    for call in (
        lambda: bl.invoke("GetBatch\0", 1, "B2601", 0, 0, 0),
        lambda: bl.set_property("KeyWord", "B26\0"),
        lambda: bl.set_property("KeyWord\0", "B26"),
        lambda: suite.set_host_property("ICClosed\0", 1),
        lambda: suite.set_host_property("ICClosed", "1\0"),
        lambda: suite.create("QMZBaseList.BaseList\0"),
        lambda: qb.Suite(demo + "\0"),
        lambda: qb.Suite(demo, user="clerk\0"),
    ):
        with refused():
            call()
    with refused():
        with suite.scripted_user("click cmdNo\0"):
            pass
    assert bl.GetBatch(1, "B2601")["FBatchNo"] == "B2601"


def test_a_library_named_but_missing_fails_the_import(tmp_path):
    missing = str(tmp_path / "libqmzbaselist.so.1")
    done = subprocess.run(
        [sys.executable, "-c", "import qmzbaselist"],
        env=dict(os.environ, QMZBASELIST_LIBRARY=missing),
        capture_output=True,
        text=True,
    )
    assert done.returncode == 1
    assert done.stderr.splitlines()[-1] == (
        f"ImportError: QMZBASELIST_LIBRARY names a file that does not exist: {missing}"
    )


def test_freed_handles_and_closed_sessions(demo):
    suite = qb.Suite(demo, user="clerk")
    bl = suite.BaseList()
    bl.close()
    assert failure(lambda: bl.GetBatch(1, "B2601")) == (
        qb.Status.E_HANDLE,
        "qmz_invoke_texts: the object handle is not a live handle (destroyed, or never made)",
    )
    bl.close()  # a second release is refused quietly
    other = suite.BaseList()
    suite.close()
    assert failure(lambda: other.GetBatch(1, "B2601")) == (
        qb.Status.E_STATE,
        "qmz_invoke_texts: the object's session is closed",
    )
    assert failure(lambda: suite.set_host_property("ICClosed", 1)) == (
        qb.Status.E_HANDLE,
        "qmz_session_set_integer: the session is NULL",
    )
