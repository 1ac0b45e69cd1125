"""What a host gets wrong raises qmzbaselist.Error (or TypeError for a value Python cannot
pass), and never brings the process down."""

import pytest

import qmzbaselist as qb


def test_a_missing_database_and_an_unknown_user(demo, tmp_path):
    with pytest.raises(qb.Error) as missing:
        qb.Suite(str(tmp_path / "none.db"))
    assert missing.value.status == 3
    assert str(tmp_path / "none.db") in str(missing.value)
    with pytest.raises(qb.Error) as unknown:
        qb.Suite(demo, user="nobody")
    assert (unknown.value.status, str(unknown.value)) == (3, "Unknown user of the suite: nobody")


def test_one_session_at_a_time(suite, demo):
    with pytest.raises(qb.Error) as second:
        qb.Suite(demo)
    assert (second.value.status, str(second.value)) == (
        6,
        "A session is already open in this process; close it first",
    )


def test_unknown_members_and_wrong_arguments(suite):
    bl = suite.BaseList()
    with pytest.raises(qb.Error) as unknown:
        bl.invoke("NoSuchMember")
    assert str(unknown.value) == "Object doesn't support this property or method: NoSuchMember"
    with pytest.raises(qb.Error) as count:
        bl.invoke("GetBatch", 1, "B2601")
    assert str(count.value) == "Argument not optional: GetBatch expects more than 2 argument(s)"
    with pytest.raises(qb.Error) as mismatch:
        bl.GetBatch("one", "B2601")
    assert (mismatch.value.status, str(mismatch.value)) == (3, "Type mismatch")
    with pytest.raises(TypeError):
        bl.GetBatch([1], "B2601")
    with pytest.raises(TypeError):
        suite.set_host_property("ICClosed", 1.5)
    with pytest.raises(qb.Error) as unplayable:
        with suite.scripted_user("click cmdNope"):
            bl.ShowBatch(1)
    assert (unplayable.value.status, str(unplayable.value)) == (
        3,
        "The form frmStock has no control cmdNope",
    )
    with pytest.raises(qb.Error) as unread:
        with suite.scripted_user('type txtBatchNo "unclosed'):
            pass
    assert unread.value.status == 3
    with pytest.raises(qb.Error) as unknown_class:
        suite.create("No.Such")
    assert unknown_class.value.status == 3


def test_freed_handles_and_closed_sessions(demo):
    suite = qb.Suite(demo, user="clerk")
    bl = suite.BaseList()
    bl.close()
    with pytest.raises(qb.Error) as freed:
        bl.GetBatch(1, "B2601")
    assert (freed.value.status, str(freed.value)) == (
        2,
        "qmz_invoke: the object handle is not a live handle (destroyed, or never made)",
    )
    bl.close()  # a second release is refused quietly
    other = suite.BaseList()
    suite.close()
    with pytest.raises(qb.Error) as closed:
        other.GetBatch(1, "B2601")
    assert (closed.value.status, str(closed.value)) == (
        6,
        "qmz_invoke: the object's session is closed",
    )
    with pytest.raises(qb.Error) as gone:
        suite.set_host_property("ICClosed", 1)
    assert (gone.value.status, str(gone.value)) == (
        2,
        "qmz_session_set_integer: the session is NULL",
    )
