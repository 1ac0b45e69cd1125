#!/usr/bin/env bash
# ./run.sh setup | build | test | demo [args...]
#   setup  installs the Debian packages the build needs (apt-get, only those missing)
#   build  configures and builds the release tree in build/release
#   test   builds the sanitizer tree in build/test and runs every test (CTest)
#   demo   builds if needed, creates the demo database on first use and runs the main job
#   bench  builds the benchmark tree in build/bench and runs the benchmarks
#   fuzz SECONDS  builds the libFuzzer targets with clang in build/fuzz and runs each that long
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

packages=(build-essential cmake pkg-config libsqlite3-dev libgtest-dev libgmock-dev
  libbenchmark-dev qt6-base-dev libcli11-dev nlohmann-json3-dev fonts-wqy-microhei
  libqt6sql6-sqlite gnuplot-nox)

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

run_tests() {
  setup
  configure_and_build "$root/build/test" -DCMAKE_BUILD_TYPE=Debug -DQMZ_SANITIZE=ON \
    -DQMZ_BUILD_TESTS=ON
  export QT_QPA_PLATFORM=offscreen
  ctest --test-dir "$root/build/test" --output-on-failure -j "$jobs" --timeout 600
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

# The Google Benchmark programs (arguments go to them), the long run, then opening long lists
# side by side: ours, the limit and the peer (bench/open_compare.cpp, docs/performance.md).
bench() {
  setup
  local out="$root/build/bench"
  configure_and_build "$out" -DCMAKE_BUILD_TYPE=Release -DQMZ_BUILD_TESTS=OFF -DQMZ_BUILD_BENCH=ON
  "$out/bench/lookup_bench" "$@"
  "$out/bench/picker_bench" "$@"
  "$out/bench/long_run"

  # Generated databases are kept by size in build/bench/data; a change of the code that
  # generates them starts them afresh.
  local data="$out/data" stamp
  mkdir -p "$data"
  stamp=$(cat "$root"/src/suite/{demo_data,inventory_schema,suite_seed,suite_store,suite_setup}.cpp |
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
}

fuzz_targets=(props criteria tsql ini machine_settings number_like script saved_settings)

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
  *)
    echo "usage: ./run.sh setup|build|test|demo|bench|fuzz [args...]" >&2
    exit 2
    ;;
esac
