"""GetBatch through the Python package on a suite file, as bench/call_cost.cpp calls it from
C++: milliseconds per call over CALLS calls after a warm-up.

Usage: python3 call_cost.py DATABASE [CALLS]  (QMZBASELIST_LIBRARY names the library to use)
"""
import sys
import time

import qmzbaselist as qb


def main() -> int:
    database = sys.argv[1]
    calls = max(1, int(sys.argv[2])) if len(sys.argv) > 2 else 2000
    with qb.Suite(database, user="administrator") as suite:
        bl = suite.BaseList()
        for _ in range(100):
            bl.GetBatch(1, "B2601", 0, 0, 0)
        start = time.perf_counter()
        for _ in range(calls):
            if bl.GetBatch(1, "B2601", 0, 0, 0) is None:
                return 1
        print(f"{(time.perf_counter() - start) * 1000 / calls:.4f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
