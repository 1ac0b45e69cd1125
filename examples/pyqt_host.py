#!/usr/bin/env python3
"""A PyQt6 host of QMZBaseList: one order line (item, batch, warehouse, quantity) whose "…"
button opens the component's batch picker, modal over the order window on this program's own
QApplication, and fills the line from the row the user chose.

    pyqt_host.py DATABASE [--user NAME] [--script "row 2; click cmdYes"] [--once]

With --script a scripted user answers the picker instead of the Qt dialog (docs/dialogs.md).
With --once the window opens the picker as soon as it shows, prints the order line
("item|batch|warehouse|quantity") and quits.
"""

from __future__ import annotations

import argparse
import sys
from typing import Optional

from PyQt6.QtCore import QTimer
from PyQt6.QtWidgets import (
    QApplication,
    QFormLayout,
    QHBoxLayout,
    QLineEdit,
    QPushButton,
    QWidget,
)

import qmzbaselist as qb


class OrderLine(QWidget):
    """The order line window; `script`, when given, plays the user in the picker."""

    def __init__(self, suite: qb.Suite, script: Optional[str] = None) -> None:
        super().__init__()
        self.setWindowTitle("Order line")
        self.suite = suite
        self.script = script
        self.picker = suite.BaseList()
        self.item = QLineEdit("1")
        self.batch = QLineEdit()
        self.warehouse = QLineEdit()
        self.warehouse.setReadOnly(True)
        self.quantity = QLineEdit()
        self.choose = QPushButton("…")
        self.choose.setToolTip("Choose a batch in stock")
        self.choose.clicked.connect(self.pick_batch)
        batch_row = QHBoxLayout()
        batch_row.addWidget(self.batch)
        batch_row.addWidget(self.choose)
        form = QFormLayout(self)
        form.addRow("Item", self.item)
        form.addRow("Batch", batch_row)
        form.addRow("Warehouse", self.warehouse)
        form.addRow("Quantity", self.quantity)

    def pick_batch(self) -> Optional[dict]:
        """Opens the batch picker for the item, filtered by the batch typed so far; fills the
        line from the choice and answers it (None when the user chose nothing)."""
        try:
            item = int(self.item.text())
        except ValueError:
            return None
        dialogs = self.suite.scripted_user(self.script) if self.script else self.suite.qt_dialogs()
        with dialogs:
            row = self.picker.ShowBatch(item, self.batch.text(), 0, 0, 0)
        if row:
            self.batch.setText(row["FBatchNo"])
            self.warehouse.setText(row["stockName"])
            self.quantity.setText(row["FQty"])
        return row


def main(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("database")
    parser.add_argument("--user", default="administrator")
    parser.add_argument("--script")
    parser.add_argument("--once", action="store_true")
    options = parser.parse_args(argv[1:])
    app = QApplication(argv)
    with qb.Suite(options.database, user=options.user, host_properties={"ICClosed": 1}) as suite:
        window = OrderLine(suite, options.script)
        window.show()
        if options.once:
            QTimer.singleShot(0, lambda: print_once(app, window))
        return app.exec()


def print_once(app: QApplication, window: OrderLine) -> None:
    window.pick_batch()
    line = (window.item, window.batch, window.warehouse, window.quantity)
    print("|".join(field.text() for field in line), flush=True)
    app.quit()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
