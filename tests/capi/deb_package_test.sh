#!/usr/bin/env bash
# Builds the Debian package of the build with CPack, unpacks it into a scratch root
# (dpkg-deb -x) and runs the C host (built there with pkg-config) and the PyQt host (on the
# Python package there, which finds the library itself) from that root on a fresh demo suite.
#   deb_package_test.sh <build dir> <source dir> <scratch dir> <C compiler> <C flags...>
# QMZ_PYTHON: the interpreter (with PyQt6); QMZ_PYTHON_PRELOAD: what it preloads (the
# sanitizers' runtime), if anything.
set -euo pipefail
build=$1 source=$2 scratch=$3 cc=$4
shift 4
rm -rf "$scratch"
mkdir -p "$scratch"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/deb" >"$scratch/cpack.log"
deb=$(ls "$scratch"/deb/qmzbaselist_1.1.0_*.deb)
root=$scratch/root
dpkg-deb -x "$deb" "$root"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for wanted in python3 libsqlite3-0 libodbc2 libqt6widgets6 libstdc++6; do
  tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//' | grep -qxF "$wanted" ||
    { echo "no dependency $wanted" >&2; exit 1; }
done

# A machine without a CJK font gets one with the package, or the captions are boxes.
recommends=$(dpkg-deb -f "$deb" Recommends)
tr ',' '\n' <<<"$recommends" | sed 's/^ *//' | grep -qxF "fonts-wqy-microhei | fonts-noto-cjk" ||
  { echo "no recommended CJK font: $recommends" >&2; exit 1; }

prefix=$(dirname "$(dirname "$(find "$root" -name qmz_c.h -path '*/include/qmz/*')")")
prefix=${prefix%/include}
libdir=$(dirname "$(find "$root" -name libqmzbaselist.so.1 -type l)")
python_dir=$(dirname "$(find "$root" -name _native.py -path '*/qmzbaselist/*')")
for file in "$prefix/bin/baselist" "$libdir/pkgconfig/qmzbaselist.pc" \
  "$libdir/cmake/QMZBaseList/QMZBaseListConfig.cmake" "$python_dir/_installed.py"; do
  test -f "$file" || { echo "the package lacks $file" >&2; exit 1; }
done

export QMZ_MACHINE_SETTINGS=$scratch/machine.ini QMZ_COMPONENT_DIR=$scratch
"$prefix/bin/baselist" init-db --demo --db "$scratch/demo.db" >/dev/null

# The C host, built with the package's pkg-config file.
flags=$(PKG_CONFIG_PATH=$libdir/pkgconfig pkg-config --cflags --libs qmzbaselist)
# shellcheck disable=SC2086 # the flags are words
"$cc" "$@" -std=c99 "$source/examples/c_host.c" $flags -o "$scratch/c_host"
out=$(LD_LIBRARY_PATH=$libdir "$scratch/c_host" "$scratch/demo.db" 1 "A'B" "row 2; click cmdYes")
echo "$out"
grep -qx '  "stockName": "广州仓",' <<<"$out"
grep -q "^ShowBatch: {" <<<"$out"
test "$(grep -c '"FBatchNo": "A'"'"'B"' <<<"$out")" -eq 2

# The PyQt host on the package's Python package; nothing points it at the library.
unset QMZBASELIST_LIBRARY
# A library built with the sanitizers needs their runtime preloaded into the interpreter.
line=$(PYTHONPATH=$python_dir/.. LD_PRELOAD=${QMZ_PYTHON_PRELOAD:-} ASAN_OPTIONS=detect_leaks=0 \
  "${QMZ_PYTHON:-python3}" "$source/examples/pyqt_host.py" "$scratch/demo.db" \
  --script "row 3; click cmdYes" --once)
echo "$line"
test "$line" = "1|B2601|上海仓|40"
