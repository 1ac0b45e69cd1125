"""A Python host checking order lines on the million-row suite: GetBatch for each line through
the package, beside the very statements those lookups send run through Python's sqlite3 on one
open connection (fetched whole). The lines come from `call_cost DATABASE N lines`, one JSON
object per line: its item, its batch and the statements its GetBatch sends.

Usage: python3 order_lines.py DATABASE STATEMENTS  (QMZBASELIST_LIBRARY names the library)
Prints "ours S CPU C sqlite3 S CPU C found N": the wall and processor seconds of each for every
line, and the lines found.
"""
import json
import sqlite3
import sys
import time

import qmzbaselist as qb


def tsql_collation(a, b):
    # The suite's collation ignores case; the lookups compare batch numbers of one case.
    a, b = a.casefold(), b.casefold()
    return (a > b) - (a < b)


def through_package(database, lines):
    found = 0
    with qb.Suite(database, user="administrator") as suite:
        bl = suite.BaseList()
        start, cpu = time.perf_counter(), time.process_time()
        for line in lines:
            found += bl.GetBatch(line["item"], line["batch"], 0, 0, 0) is not None
        return time.perf_counter() - start, time.process_time() - cpu, found


def through_sqlite3(database, lines):
    connection = sqlite3.connect(database, isolation_level=None)
    connection.create_collation("TSQL", tsql_collation)
    found = 0
    start, cpu = time.perf_counter(), time.process_time()
    for line in lines:
        rows = []
        for statement in line["statements"]:
            rows = connection.execute(statement).fetchall() or rows
        found += bool(rows)
    seconds, cpu = time.perf_counter() - start, time.process_time() - cpu
    connection.close()
    return seconds, cpu, found


def main():
    database, statements_path = sys.argv[1], sys.argv[2]
    with open(statements_path, encoding="utf-8") as f:
        lines = [json.loads(text) for text in f if text.strip()]
    ours, ours_cpu, found = through_package(database, lines)
    limit, limit_cpu, limit_found = through_sqlite3(database, lines)
    if found != limit_found:
        print(f"the lines found disagree: ours {found}, sqlite3 {limit_found}", file=sys.stderr)
        return 1
    print(f"ours {ours:.3f} CPU {ours_cpu:.3f} sqlite3 {limit:.3f} CPU {limit_cpu:.3f} "
          f"found {found}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
