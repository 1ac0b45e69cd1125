"""The PyQt host of examples/pyqt_host.py on Qt's offscreen platform: the scripted user fills
the order line, and the real picker opens modal over the order window on the host's own
QApplication."""

import pytest
from PyQt6 import QtWidgets
from PyQt6.QtCore import QTimer

import pyqt_host


@pytest.fixture(scope="module")
def app():
    return QtWidgets.QApplication.instance() or QtWidgets.QApplication(["pyqt_host_test"])


def test_the_scripted_user_fills_the_order_line(app, suite):
    window = pyqt_host.OrderLine(suite, script="row 3; click cmdYes")
    window.show()
    window.choose.click()
    assert (window.batch.text(), window.warehouse.text(), window.quantity.text()) == (
        "B2601",
        "上海仓",
        "40",
    )
    window.script = "click cmdNo"
    window.choose.click()
    assert window.batch.text() == "B2601"  # nothing chosen: the line stays
    window.close()


def test_the_picker_opens_over_the_host_window_on_its_application(app, suite):
    window = pyqt_host.OrderLine(suite)
    window.show()
    window.activateWindow()
    app.processEvents()
    seen = {}

    def look_and_escape():
        dialog = QtWidgets.QApplication.activeModalWidget()
        if dialog is None:  # not shown yet
            QTimer.singleShot(20, look_and_escape)
            return
        seen["title"] = dialog.windowTitle()
        seen["parent"] = dialog.parentWidget()
        seen["app"] = QtWidgets.QApplication.instance()
        dialog.close()

    QTimer.singleShot(0, look_and_escape)
    assert window.pick_batch() is None
    assert seen["parent"] is window
    assert seen["app"] is app
    assert seen["title"] != ""
    assert window.batch.text() == ""
    window.close()
