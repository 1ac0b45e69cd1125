"""GetBatch or GetAux through the Python package on a suite file, as bench/call_cost.cpp calls
them from C++: milliseconds per call over CALLS calls after a warm-up.

Usage: python3 call_cost.py DATABASE CALLS batch|aux  (QMZBASELIST_LIBRARY names the library)
"""
import sys
import time

import qmzbaselist as qb


def main() -> int:
    database = sys.argv[1]
    calls = max(1, int(sys.argv[2])) if len(sys.argv) > 2 else 2000
    operation = sys.argv[3] if len(sys.argv) > 3 else "batch"
    with qb.Suite(database, user="administrator") as suite:
        bl = suite.BaseList()
        if operation == "batch":
            def call():
                return bl.GetBatch(1, "B2601", 0, 0, 0)
        else:
            def call():
                return bl.GetAux(2, "Blue", 0, 0, 0)
        for _ in range(100):
            call()
        start = time.perf_counter()
        for _ in range(calls):
            if call() is None:
                return 1
        print(f"{(time.perf_counter() - start) * 1000 / calls:.4f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
