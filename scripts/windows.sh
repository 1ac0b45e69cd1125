# shellcheck shell=bash disable=SC2154 # root, jobs, setup, configure_and_build: set by run.sh
# Sourced by run.sh, which sets root, jobs and setup; it defines functions only.
# The Windows build of `build-windows` (docs/windows.md): MinGW-w64 cross-compiles the same
# sources into build/windows, and Wine runs what it made. SQLite for Windows is compiled from
# the amalgamation of Debian's own source package, made once into build/windows-deps.
windows_packages=(g++-mingw-w64-x86-64-posix wine64 wine64-tools tcl dpkg-dev)
# Wine's loader is not on PATH.
wine_loader=/usr/lib/wine/wine64

# Adds a deb-src twin of the machine's own Debian entries (same mirrors, suites and keys) when no
# source entry is there yet, so that `apt-get source` works: from a deb822 file
# (/etc/apt/sources.list.d/debian.sources) or from one-line "deb" entries (/etc/apt/sources.list).
windows_source_entry() {
  local deb822=/etc/apt/sources.list.d/debian.sources one_line=/etc/apt/sources.list
  if grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    return 0
  fi
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  if [ -f "$deb822" ]; then
    sed 's/^Types:.*/Types: deb-src/' "$deb822" |
      $sudo tee /etc/apt/sources.list.d/qmz-deb-src.sources >/dev/null
  elif grep -qs '^deb ' "$one_line"; then
    sed -n 's/^deb /deb-src /p' "$one_line" |
      $sudo tee /etc/apt/sources.list.d/qmz-deb-src.list >/dev/null
  else
    echo "no Debian entry to copy for the sources: $deb822, $one_line" >&2
    return 1
  fi
  $sudo apt-get update -q
}

# The SQLite amalgamation (sqlite3.c, sqlite3.h) of the Debian source package, made once.
windows_sqlite() {
  local deps=$root/build/windows-deps
  [ -f "$deps/sqlite/sqlite3.c" ] && return 0
  windows_source_entry
  local work
  work=$(mktemp -d)
  (cd "$work" && apt-get source -q sqlite3 >/dev/null 2>&1) || {
    rm -rf "$work"
    echo "apt-get source sqlite3 failed" >&2
    return 1
  }
  local src
  src=$(find "$work" -maxdepth 1 -mindepth 1 -type d -name 'sqlite3-*' | head -1)
  (cd "$src" && ./configure -q >/dev/null && make -s sqlite3.c >/dev/null)
  mkdir -p "$deps/sqlite"
  cp "$src/sqlite3.c" "$src/sqlite3.h" "$deps/sqlite/"
  rm -rf "$work"
}

# The header-only libraries the command uses and libpq's declarations, from the Linux packages,
# and nothing else of /usr/include (its C library is not Windows').
windows_headers() {
  local inc=$root/build/windows-deps/include
  mkdir -p "$inc"
  ln -sfn /usr/include/CLI "$inc/CLI"
  ln -sfn /usr/include/nlohmann "$inc/nlohmann"
  # libpq's declarations: the library itself is looked for as libpq.dll at run time.
  mkdir -p "$root/build/windows-deps/libpq"
  local h
  for h in libpq-fe.h postgres_ext.h pg_config_ext.h; do
    ln -sfn "/usr/include/postgresql/$h" "$root/build/windows-deps/libpq/$h"
  done
}

# Builds build/windows; further arguments go to CMake (the tests add theirs).
build_windows() {
  setup "${windows_packages[@]}"
  windows_sqlite
  windows_headers
  configure_and_build "$root/build/windows" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DQMZ_WITH_QT=OFF \
    -DQMZ_WINDOWS_DEPS="$root/build/windows-deps" "$@"
}
