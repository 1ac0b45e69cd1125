#!/usr/bin/env bash
# ./run.sh setup | build | test | demo [args...]
#   setup  installs the Debian packages the build needs (apt-get, only those missing)
#   build  configures and builds the release tree in build/release
#   test   builds the sanitizer tree in build/test and runs every test (CTest)
#   demo   builds if needed, creates the demo database on first use and runs the main job
#   bench  builds the benchmark tree in build/bench and runs the benchmarks
#   fuzz SECONDS  builds the libFuzzer targets with clang in build/fuzz and runs each that long
#   pg-start DIR  starts a throwaway PostgreSQL 15 server in DIR and prints the value for --db
#   pg-stop DIR   stops that server and removes what pg-start made there
#   site-start [--sync] DIR  starts a throwaway site in DIR: a primary, a streaming hot standby
#                 (synchronous with --sync) and
#                 pgbouncer in transaction mode in front of both; writes DIR/primary,
#                 DIR/standby and DIR/pooler (one value for --db each)
#   site-failover DIR  stops the site's primary, promotes its standby and points the pooler at it
#   site-stop DIR   stops that site and removes what site-start made there
#   package  builds the Debian package (CPack) of a release build in build/package
#   build-windows  cross-builds the Windows command, DLL (C ABI and COM server) and tests with
#                 MinGW-w64 in build/windows (docs/windows.md)
set -euo pipefail
callers_dir=$(pwd)
cd "$(dirname "$0")"
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

packages=(build-essential cmake pkg-config libsqlite3-dev unixodbc-dev libpq-dev libssl-dev libgtest-dev libgmock-dev
  libbenchmark-dev qt6-base-dev libcli11-dev nlohmann-json3-dev fonts-wqy-microhei
  libqt6sql6-sqlite gnuplot-nox python3 python3-pytest python3-pyqt6 locales)

# The throwaway server (pg-start, pg-stop): pg_packages, pg_start, pg_stop.
# shellcheck source=scripts/pg_server.sh
source "$root/scripts/pg_server.sh"
# The throwaway site (site-start, site-failover, site-stop): site_start, site_failover, site_stop.
# shellcheck source=scripts/site.sh
source "$root/scripts/site.sh"
# The Windows build (build-windows): windows_packages, build_windows.
# shellcheck source=scripts/windows.sh
source "$root/scripts/windows.sh"

# Installs the Debian packages named (default: the build's), only those missing.
setup() {
  local wanted=("$@")
  [ ${#wanted[@]} -gt 0 ] || wanted=("${packages[@]}")
  local missing=()
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  echo "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

configure_and_build() {
  local dir=$1
  shift
  cmake -S "$root" -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

build() {
  setup
  configure_and_build "$root/build/release" -DCMAKE_BUILD_TYPE=Release -DQMZ_BUILD_TESTS=OFF
}

# A German locale, whose decimal comma the number tests set as a Qt host sets its user's.
german_locale() {
  locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8' && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  # localedef exits 1 for mere warnings; whether the locale is there afterwards is what counts.
  $sudo localedef -i de_DE -c -f UTF-8 de_DE.UTF-8 || true
  locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8' ||
    echo "run.sh: could not make the de_DE.UTF-8 locale; the number tests will say so" >&2
}

run_tests() {
  # The tests also run on a throwaway PostgreSQL server (tests/pg/server.sh) and site
  # (tests/pg/site.sh), and the Windows build's under Wine (docs/windows.md).
  setup "${packages[@]}" "${pg_packages[@]}" "${site_packages[@]}" "${windows_packages[@]}"
  german_locale
  configure_and_build "$root/build/test" -DCMAKE_BUILD_TYPE=Debug -DQMZ_SANITIZE=ON \
    -DQMZ_BUILD_TESTS=ON
  export QT_QPA_PLATFORM=offscreen
  local status=0
  ctest --test-dir "$root/build/test" --output-on-failure -j "$jobs" --timeout 600 || status=$?
  build_windows -DQMZ_BUILD_TESTS=ON -DQMZ_LINUX_BASELIST="$root/build/test/baselist"
  ctest --test-dir "$root/build/windows" --output-on-failure --timeout 600 || status=$?
  return "$status"
}

demo() {
  build
  local exe="$root/build/release/baselist"
  local db="$root/demo/demo.db"
  mkdir -p "$root/demo"
  if [ ! -f "$db" ]; then
    "$exe" init-db --demo --db "$db"
  fi
  export QMZ_MACHINE_SETTINGS="${QMZ_MACHINE_SETTINGS:-$root/demo/machine.ini}"
  export QMZ_COMPONENT_DIR="${QMZ_COMPONENT_DIR:-$root/demo}"
  "$exe" demo --db "$db" "$@"
}

# The Debian package of a release build installing under /usr (CPack, cmake/QmzPackage.cmake):
# the libraries, headers, pkg-config and CMake files, the Python package and the command.
package() {
  setup
  local out="$root/build/package"
  configure_and_build "$out" -DCMAKE_BUILD_TYPE=Release -DQMZ_BUILD_TESTS=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr
  (cd "$out" && cpack -G DEB)
  ls "$out"/qmzbaselist_*.deb
}

# A lookup's cost per call on the demo suite, side by side in rounds: GetBatch and GetAux from
# C++, the same statements on one open connection through SQLite's C API (the limit), and the
# same calls through the Python package; five rounds of 3,000 calls each, the medians and their
# ratios against the targets (C++ at most 2x the limit, Python at most 10 us above C++).
call_cost() {
  local out=$1 dir i op
  dir=$(mktemp -d)
  "$out/baselist" init-db --demo --db "$dir/demo.db" >/dev/null
  declare -A runs
  for i in 1 2 3 4 5; do
    for op in batch aux; do
      runs[cpp-$op]+="$("$out/bench/call_cost" "$dir/demo.db" 3000 "$op") "
      runs[limit-$op]+="$("$out/bench/call_cost" "$dir/demo.db" 3000 "limit-$op") "
      runs[py-$op]+="$(QMZBASELIST_LIBRARY="$out/libqmzbaselist.so.1" PYTHONPATH="$root/python" \
        PYTHONDONTWRITEBYTECODE=1 python3 "$root/bench/call_cost.py" "$dir/demo.db" 3000 "$op") "
    done
  done
  rm -rf "$dir"
  median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | sed -n 3p; }
  echo
  echo "Lookups on the demo suite, median of five rounds of 3,000 calls (microseconds per call):"
  for op in batch aux; do
    awk -v name="$op" -v c="$(median "${runs[cpp-$op]}")" -v l="$(median "${runs[limit-$op]}")" \
      -v p="$(median "${runs[py-$op]}")" 'BEGIN {
      c *= 1000; l *= 1000; p *= 1000
      printf "  Get%s: C++ %.1f, SQLite C API %.1f: %.2fx (target <= 2x: %s); Python %.1f: +%.1f (target <= +10: %s)\n",
        (name == "batch" ? "Batch" : "Aux"), c, l, c / l, (c / l <= 2 ? "met" : "NOT met"), p,
        p - c, (p - c <= 10 ? "met" : "NOT met") }'
  done
}

# The Google Benchmark programs (arguments go to them), the long run, then opening long lists
# side by side: ours, the limit and the peer (bench/open_compare.cpp, docs/performance.md).
bench() {
  setup "${packages[@]}" "${pg_packages[@]}" "${site_packages[@]}"
  local out="$root/build/bench"
  configure_and_build "$out" -DCMAKE_BUILD_TYPE=Release -DQMZ_BUILD_TESTS=OFF -DQMZ_BUILD_BENCH=ON
  "$out/bench/lookup_bench" "$@"
  "$out/bench/picker_bench" "$@"
  "$out/bench/long_run"
  call_cost "$out"

  # Generated databases are kept by size in build/bench/data; a change of the code that
  # generates them starts them afresh.
  local data="$out/data" stamp
  mkdir -p "$data"
  stamp=$(cat "$root"/src/suite/middle_tier/{demo_data,inventory_schema,suite_seed,suite_store,suite_setup}.cpp |
    sha1sum | cut -c1-16)
  if [ "$(cat "$data/generator" 2>/dev/null)" != "$stamp" ]; then
    rm -f "$data"/*.db
    echo "$stamp" >"$data/generator"
  fi
  echo
  echo "Opening long lists: ours, the limit and the peer side by side"
  "$out/bench/open_compare" --baselist "$out/baselist" --limit "$out/bench/open_limit" \
    --peer "$out/bench/open_peer" --data "$data" --report "$data/open-report.md" \
    --plot-data "$data/open"
  gnuplot -e "prefix='$data/open'; output='$root/docs/performance-open.png'" \
    "$root/bench/open_plot.gp"
  echo "plot: docs/performance-open.png; report: $data/open-report.md; every run: $data/open-samples.txt"
  echo
  echo "Stopping the million-row list: ours beside sqlite3_interrupt"
  "$out/bench/cancel_latency" --db "$data/list-1000000.db" --after 400
  echo
  echo "Sorting the million-row list by a title: ours beside SQLite's ORDER BY"
  "$out/bench/sort_bench" --db "$data/list-1000000.db"

  # A Python host checking 10,000 order lines on the million-row suite, beside sqlite3.
  echo
  echo "10,000 order lines from Python (GetBatch each) on the million-row suite, beside sqlite3:"
  "$out/bench/call_cost" "$data/list-1000000.db" 10000 lines >"$data/order-lines.jsonl"
  QMZBASELIST_LIBRARY="$out/libqmzbaselist.so.1" PYTHONPATH="$root/python" \
    PYTHONDONTWRITEBYTECODE=1 python3 "$root/bench/order_lines.py" "$data/list-1000000.db" \
    "$data/order-lines.jsonl"

  # The suite on a throwaway PostgreSQL server beside libpq (bench/server_bench.cpp).
  echo
  echo "The suite on a server: ours, libpq and the embedded suite side by side"
  local server_dir status=0
  server_dir=$(mktemp -d /tmp/qmz-bench-pg.XXXXXX)
  chmod 0755 "$server_dir"  # the server's user works inside it
  pg_start "$server_dir/pg" >/dev/null || status=$?
  if [ "$status" -eq 0 ]; then
    "$out/bench/server_bench" --server "$(tail -1 "$server_dir/pg/connection")" \
      --items "${QMZ_BENCH_ITEMS:-20000}" | tee "$data/server-report.md" || status=$?
    echo "Stopping the server's list: ours beside PQcancel"
    "$out/bench/cancel_latency" --db "$(tail -1 "$server_dir/pg/connection")" --after 1000 |
      tee -a "$data/server-report.md" || status=$?
  fi
  pg_stop "$server_dir/pg" || true
  rmdir "$server_dir" 2>/dev/null || true
  [ "$status" -eq 0 ] || return "$status"

  # Many desks on a throwaway site (bench/many_desks.cpp): 500 desks through the pooler's ten
  # server connections beside 20 desks on direct connections to the primary.
  echo
  echo "Many desks through a transaction pooler, beside desks on direct connections"
  local site
  server_dir=$(mktemp -d /tmp/qmz-bench-site.XXXXXX)
  chmod 0755 "$server_dir"
  site=$server_dir/site
  site_start "$site" >/dev/null || status=$?
  if [ "$status" -eq 0 ]; then
    "$out/baselist" init-db --demo --db "@$site/primary" >/dev/null || status=$?
  fi
  if [ "$status" -eq 0 ]; then
    (ulimit -n 8192 && "$out/bench/many_desks" --pooler "$(cat "$site/pooler")" \
      --primary "$(cat "$site/primary")" \
      --read "$(sed 's/;Database=suite;/;Database=suite_standby;/' "$site/pooler")" \
      --read-server "$(cat "$site/standby")" --desks 500 --seconds 10) |
      tee "$data/site-report.md" || status=$?
  fi
  site_stop "$site" || true
  rmdir "$server_dir" 2>/dev/null || true
  return "$status"
}

fuzz_targets=(props criteria tsql ini machine_settings number_like script saved_settings gs1)

# Each target starts from its seed corpus (fuzz/corpus/NAME, read only) and a scratch corpus;
# a crash is written to fuzz/crashes/NAME/, which `./run.sh test` replays from then on.
fuzz() {
  local seconds=${1:-60}
  setup "${packages[@]}" clang libclang-rt-14-dev
  CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQMZ_FUZZ=ON -DQMZ_WITH_QT=OFF -DQMZ_BUILD_TESTS=OFF >/dev/null
  cmake --build "$root/build/fuzz" -j "$jobs" --target $(printf '%s_fuzz ' "${fuzz_targets[@]}")
  local failed=()
  for name in "${fuzz_targets[@]}"; do
    local scratch="$root/build/fuzz/corpus/$name"
    mkdir -p "$scratch" "$root/fuzz/crashes/$name"
    echo "fuzzing $name for ${seconds}s"
    if ! "$root/build/fuzz/fuzz/${name}_fuzz" "$scratch" "$root/fuzz/corpus/$name" \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$root/fuzz/crashes/$name/" >"$root/build/fuzz/$name.log" 2>&1; then
      failed+=("$name")
      tail -30 "$root/build/fuzz/$name.log"
    fi
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$root/build/fuzz/$name.log" |
      sed "s/^/  $name /"
  done
  if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz: crashes in ${failed[*]} (kept in fuzz/crashes/)" >&2
    return 1
  fi
  echo "fuzz: ${#fuzz_targets[@]} targets ran ${seconds}s each without a crash"
}

cmd=${1:-}
[ $# -gt 0 ] && shift
case "$cmd" in
  setup) setup ;;
  build) build ;;
  test) run_tests ;;
  demo) demo "$@" ;;
  bench) bench "$@" ;;
  fuzz) fuzz "$@" ;;
  pg-start) pg_start "$@" ;;
  pg-stop) pg_stop "$@" ;;
  site-start) site_start "$@" ;;
  site-failover) site_failover "$@" ;;
  site-stop) site_stop "$@" ;;
  package) package ;;
  build-windows) build_windows ;;
  *)
    echo "usage: ./run.sh setup|build|test|demo|bench|fuzz|pg-start|pg-stop|site-start|site-failover|site-stop|package|build-windows [args...]" >&2
    exit 2
    ;;
esac
