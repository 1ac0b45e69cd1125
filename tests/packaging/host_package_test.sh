#!/usr/bin/env bash
# Installs the build into a scratch prefix, builds examples/host against the installed package
# with find_package(QMZBaseList), and runs it on a fresh demo database.
#   host_package_test.sh <cmake> <build dir> <source dir> <scratch dir> <baselist>
set -euo pipefail
cmake=$1 build=$2 source=$3 scratch=$4 baselist=$5
rm -rf "$scratch"
mkdir -p "$scratch"
"$cmake" --install "$build" --prefix "$scratch/prefix" >/dev/null
"$cmake" -S "$source/examples" -B "$scratch/host" -DCMAKE_PREFIX_PATH="$scratch/prefix" \
  -DCMAKE_BUILD_TYPE=Debug >/dev/null
"$cmake" --build "$scratch/host" >/dev/null
"$baselist" init-db --demo --db "$scratch/demo.db" >/dev/null
out=$("$scratch/host/host" "$scratch/demo.db" 1 "A'B")
echo "$out"
grep -qx "FBatchNo=A'B" <<<"$out"
grep -qx "stockName=广州仓" <<<"$out"
grep -qx "FQty=7" <<<"$out"
# The installed package also opens the batch picker for a scripted user.
picked=$("$scratch/host/host" "$scratch/demo.db" 1 "A'B" "row 2; click cmdYes")
echo "$picked"
grep -qx "picked:" <<<"$picked"
grep -qx "FBatchNo=A'B" <<<"${picked#*picked:}"
if "$scratch/host/host" "$scratch/demo.db" 1 "NO-SUCH" | grep -qx "FQty=7"; then
  echo "a missing batch answered a row" >&2
  exit 1
fi
test -f "$scratch/prefix/include/qmz/baselist.h"
test -f "$scratch/prefix/lib/cmake/QMZBaseList/QMZBaseListConfig.cmake" ||
  test -f "$scratch/prefix/lib64/cmake/QMZBaseList/QMZBaseListConfig.cmake" ||
  ls "$scratch"/prefix/lib/*/cmake/QMZBaseList/QMZBaseListConfig.cmake >/dev/null
