"""Every operation of BaseList once through the Python package, with scripted users."""

import gc
import pathlib
import re
import shutil
import sqlite3

import qmzbaselist as qb
from conftest import command, failure

B2601_BEIJING = {
    "FBatchNo": "B2601",
    "AuxName": "",
    "stockName": "北京仓",
    "FQty": "120",
    "FUnitName": "个",
    "FSecQty": "0",
    "Fprice": "0",
    "FAmount": "300",
    "FKFDate": "2026-01-05",
    "FPeriodDate": "2027-01-05",
    "StockNumber": "01",
    "AuxNumber": "",
    "AuxPropID": "",
    "FitemID": "1",
    "FISKFPeriod": "1",
    "FBatchNoIndex": "0",
}

DARK_RED = {
    "AuxName": "Dark Red",
    "stockName": "全部仓库",
    "FQty": "0",
    "FSecQty": "0",
    "Fprice": "0",
    "FAmount": "0",
    "StockNumber": "",
    "AuxNumber": "DR",
    "AuxPropID": "4",
    "FitemID": "0",
    "FIndex": "0",
}


def test_the_health_check_answers_without_a_session(suite, demo):
    answer = qb.check(demo)
    assert answer["server"].startswith("SQLite 3.")
    assert (answer["read_only"], answer["application_name"]) == (False, "")
    assert answer["round_trip_ms"] >= 0
    assert suite.check()["server"] == answer["server"]
    assert "Cannot open the suite database" in failure(lambda: qb.check("/nonexistent/suite.db"))[1]


def test_the_lookups_answer_rows_and_none(suite):
    bl = suite.BaseList()
    assert bl.GetBatch(1, "B2601", 0, 0, 0) == B2601_BEIJING
    assert list(bl.GetBatch(1, "B2601")) == list(B2601_BEIJING)  # keys in the row's order
    assert bl.invoke("getaux", 2, "R", 0, 0, 0) == DARK_RED
    assert bl.GetAux(2, "R") == DARK_RED
    assert bl.GetBatch(1, "NO-SUCH")["FQty"] == ""
    # A scanned label, once the host asks for labels; a refused one raises with its reason.
    label = "(01)09501101530003(10)B2601"
    assert bl.GetBatch(1, label)["FQty"] == ""
    suite.set_host_property("ScanGS1", True)
    assert bl.GetBatch(1, label) == B2601_BEIJING
    refused = failure(lambda: bl.GetBatch(1, "(01)09501101530004(10)B2601"))
    assert refused[1] == "标签的商品条码(01) 09501101530004 校验位错误"
    suite.set_host_property("ScanGS1", False)


def test_the_batch_pickers_answer_the_scripted_users_choice(suite):
    bl = suite.BaseList()
    with suite.scripted_user("row 2; click cmdYes"):
        rows = bl.ShowBatchForMultiSelBatchNo(1, "", 0, 0, 0)
    assert [(r["FBatchNo"], r["stockName"], r["FQty"], r["Fprice"]) for r in rows] == [
        ("A'B", "广州仓", "7", 2.0)
    ]
    with suite.scripted_user("row 3; click cmdYes"):
        row = bl.ShowBatch(1)
    assert (row["FBatchNo"], row["stockName"], row["FQty"]) == ("B2601", "上海仓", "40")
    with suite.scripted_user("click cmdNo"):
        assert bl.ShowBatch(1) is None
    # A quantity to cover, first-expiry-first, the expired B2601 left alone.
    suite.set_host_property("DocumentDate", "2027-01-10")
    bl.RequiredQty = 10
    with suite.scripted_user("click cmdYes"):
        rows = bl.ShowBatchForMultiSelBatchNo(1)
    assert [(r["FBatchNo"], r["FTakeQty"]) for r in rows] == [("A'B", 7.0), ("B2603", 3.0)]
    bl.RequiredQty = 0
    # Without a dialog the clerk's data authorisation always applies: his warehouses hold only
    # the expired B2601, so nothing is allocated; a quantity that is none is refused.
    assert bl.AllocateBatches(1, 30) == []
    refused = failure(lambda: bl.AllocateBatches(1, float("nan")))
    assert refused[1] == "The quantity to allocate, nan, is not a number above 0"
    suite.set_host_property("DocumentDate", "")
    # The scripted user is gone after the block: without dialogs the picker cannot open.
    assert failure(lambda: bl.ShowBatch(1))[1] == "No modal host can show frmStock"


def test_the_aux_picker_answers_rows_and_refuses_a_user_without_the_right(suite, demo):
    bl = suite.BaseList()
    with suite.scripted_user("row 2; click cmdYes"):
        row = bl.ShowAux(2)
    picked = (row["AuxName"], row["AuxNumber"], row["FQty"], row["Fprice"])
    assert picked == ("Blue", "B", "3", 30.0)
    with suite.scripted_user("row 2; click cmdYes"):
        rows = bl.ShowAuxForMultiSel(2)
    assert [r["AuxName"] for r in rows] == ["Blue"]
    suite.close()
    with qb.Suite(demo, user="guest") as guest:
        with guest.scripted_user("row 2; click cmdYes"):
            assert guest.BaseList().ShowAux(2) is None
        assert guest.messages() == (
            "[] 对不起，您没有相应的基础资料查询权限！！\n"
            "[script] 2 actions were not played\n"
        )


def test_the_base_data_list_answers_a_recordset(suite):
    bl = suite.BaseList()
    with suite.scripted_user("dblclick 2"):
        records = bl.Show(0, 18)
    assert records.fields == [
        "FStockPlaceID", "FAuxPropID", "FAuxPropName", "FItemID", "FBatchNo", "FQty",
        "FStockID", "FStockName", "FKFDate", "FKFPeriod", "FTypeID",
    ]
    assert len(records) == 1
    assert list(records) == [
        {
            "FStockPlaceID": 0, "FAuxPropID": 0, "FAuxPropName": None, "FItemID": 1,
            "FBatchNo": "A'B", "FQty": 7.0, "FStockID": 4, "FStockName": "广州仓",
            "FKFDate": "2026-03-01", "FKFPeriod": 365, "FTypeID": 500,
        }
    ]
    with suite.scripted_user("dblclick 2"):
        again = bl.ShowEx(18)
    assert list(again) == list(records)


def test_properties_are_written_and_only_properties(suite):
    bl = suite.BaseList()
    bl.KeyWord = "B26"
    bl.Filter = ""
    bl.FilterItem = ""
    bl.set_property("keyword", "")
    assert failure(lambda: bl.set_property("GetBatch", 1)) == (
        qb.Status.E_COMPONENT,
        "Not a property of BaseList: GetBatch",
    )


def test_a_component_by_class_id_and_the_version(suite):
    by_class = suite.create("{942525AF-49FE-4A89-8DA1-9A6964F14C86}")
    assert by_class.invoke("GetBatch", 1, "B2601", 0, 0, 0)["stockName"] == "北京仓"
    assert qb.version() == "1.1.0"


def test_the_package_shows_its_public_names_and_the_status_codes_of_the_header():
    assert sorted(name for name in dir(qb) if not name.startswith("_")) == sorted(qb.__all__)
    header = pathlib.Path(__file__).parents[2] / "include" / "qmz" / "qmz_c.h"
    codes = re.findall(r"\bQMZ_(OK|E_\w+) = (\d+)", header.read_text())
    assert {member.name: member.value for member in qb.Status} == {
        name: int(value) for name, value in codes
    }


def test_the_json_is_the_commands(suite, demo):
    bl = suite.BaseList()
    session = ["--db", demo, "--user", "clerk", "--host-prop", "ICClosed=1"]
    assert bl.invoke_json("GetBatch", 1, "B2601", 0, 0, 0) + "\n" == command(
        "get-batch", *session, "--item", "1", "--batch", "B2601"
    )
    with suite.scripted_user("row 2; click cmdYes"):
        json = bl.invoke_json("ShowBatchForMultiSelBatchNo", 1, "", 0, 0, 0)
    assert json + "\n" == command(
        "show-batch-multi", *session, "--item", "1", "--script", "row 2; click cmdYes"
    )
    with suite.scripted_user("dblclick 2"):
        json = bl.invoke_json("Show", 0, 18)
    assert json + "\n" == command("show", *session, "--class-id", "18", "--script", "dblclick 2")
    assert json.startswith('[\n  {\n    "FStockPlaceID": 0,\n    "FAuxPropID": 0,\n')
    with suite.scripted_user("click cmdNo"):
        assert bl.invoke_json("ShowBatch", 1, "", 0, 0, 0) == "null"


def test_an_outer_login_answers_as_the_commands(demo):
    with qb.Suite(demo, user="clerk", outer_login=True) as outer:
        json = outer.BaseList().invoke_json("GetBatch", 1, "B2601", 0, 0, 0)
    assert json + "\n" == command(
        "get-batch", "--db", demo, "--user", "clerk", "--outer-login", "--item", "1", "--batch",
        "B2601",
    )
    assert '"FBatchNo": "B2601"' in json


def test_a_stored_text_that_is_no_utf8_reads_as_in_the_commands_json(demo, tmp_path):
    damaged = str(tmp_path / "damaged.db")
    shutil.copy(demo, damaged)
    with sqlite3.connect(damaged) as database:
        database.execute(
            "UPDATE t_stock SET FName = CAST(? AS TEXT) WHERE FItemID = 1", (b"Nord\xff\xfe",)
        )
    with qb.Suite(damaged, user="clerk", host_properties={"ICClosed": 1}) as opened:
        bl = opened.BaseList()
        assert bl.GetBatch(1, "B2601")["stockName"] == "Nord\ufffd\ufffd"
        json = bl.invoke_json("GetBatch", 1, "B2601", 0, 0, 0)
    assert json + "\n" == command(
        "get-batch", "--db", damaged, "--user", "clerk", "--host-prop", "ICClosed=1", "--item",
        "1", "--batch", "B2601",
    )


def test_a_thousand_calls_release_every_handle(suite):
    gc.collect()  # what earlier tests left for the collector goes now, not during the count
    bl = suite.BaseList()
    before = qb.live_handles()
    with suite.scripted_user("select 2,3; click cmdYes"):
        for _ in range(1000):
            assert bl.GetBatch(1, "B2601")["FQty"] == "120"
        rows = bl.ShowBatchForMultiSelBatchNo(1)
    assert len(rows) == 2
    assert qb.live_handles() == before
    bl.close()
    assert qb.live_handles() == before - 1
