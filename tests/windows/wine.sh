#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own throwaway prefix (made on first use,
# $QMZ_WINEPREFIX to choose another), without Wine's debug chatter: the emulator of the
# Windows build's tests.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${QMZ_WINEPREFIX:-$here/../../build/windows/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
exec /usr/lib/wine/wine64 "$@"
