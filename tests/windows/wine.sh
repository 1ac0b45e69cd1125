#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own throwaway prefix ($QMZ_WINEPREFIX to
# choose another), without Wine's debug chatter: the emulator of the Windows build's tests.
# A new prefix is made first, on its own and under a lock, by wineboot: a program started in a
# prefix that Wine is still making may find no kernel32.dll (status c0000135).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${QMZ_WINEPREFIX:-$(cd "$here/../.." && pwd)/build/windows/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
loader=/usr/lib/wine/wine64

make_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [[ ! -e $WINEPREFIX/.made ]]; then
    rm -rf "$WINEPREFIX"
    "$loader" wineboot --init >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver64 -w
    if [[ ! -e $WINEPREFIX/drive_c/windows/system32/kernel32.dll ]]; then
      echo "wine.sh: wineboot did not make the prefix $WINEPREFIX" >&2
      exit 1
    fi
    touch "$WINEPREFIX/.made"
  fi
  exec 9>&-
}

[[ -e $WINEPREFIX/.made ]] || make_prefix
exec "$loader" "$@"
