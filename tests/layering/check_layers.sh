#!/usr/bin/env bash
# Checks the layering of the source tree under ROOT (default: this repository): every folder of
# src/ includes only its own headers and those of folders in lower layers, every library links
# only libraries of lower layers, and no source file passes 500 lines. Equal layers may not use
# each other, so no cycle can form. Prints each violation and exits 1 when there is one.
set -euo pipefail

# --self-test: a tree whose login folder includes and links the facade must be refused.
if [ "${1:-}" = "--self-test" ]; then
  tree=$(mktemp -d)
  trap 'rm -rf "$tree"' EXIT
  mkdir -p "$tree/src/login" "$tree/src/component" "$tree/include/qmz"
  echo '#include "component/base_list.h"' >"$tree/src/login/cycle.cpp"
  echo 'qmz_library(qmz_login src/login qmz_component)' >"$tree/CMakeLists.txt"
  if bash "$0" "$tree" 2>/dev/null; then
    echo "layering: the check let an upward include and link pass" >&2
    exit 1
  fi
  echo "layering: an upward include and link are refused"
  exit 0
fi

root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
declare -A layer=([platform]=0 [login]=1 [suite]=1 [qt]=1 [list_services]=2 [dialogs]=2
  [inventory]=3 [picker]=4 [base_data_list]=5 [batch]=5 [auxprop]=5 [component]=6 [cli]=7
  [capi]=8 [com]=9)
violations=0
report() {
  echo "layering: $*" >&2
  violations=$((violations + 1))
}
# The folder a header belongs to; the public headers belong to the folder that implements them.
owner_of() {
  case "$1" in
    qmz/baselist.h) echo component ;;
    qmz/dialogs.h) echo dialogs ;;
    qmz/suite.h) echo suite ;;
    qmz/qmz_c.h) echo capi ;;
    qmz/*) echo platform ;;
    *) echo "${1%%/*}" ;;
  esac
}

check_file() {
  local file=$1 folder=$2 included target
  local from=${layer[$folder]:-}
  [ -n "$from" ] || { report "$file: folder '$folder' has no layer"; return; }
  while IFS= read -r included; do
    target=$(owner_of "$included")
    [ "$target" = "$folder" ] && continue
    local to=${layer[$target]:-}
    if [ -z "$to" ]; then
      report "$file includes \"$included\" of folder '$target', which has no layer"
    elif [ "$to" -ge "$from" ]; then
      report "$file ($folder, layer $from) includes \"$included\" ($target, layer $to)"
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
}

while IFS= read -r file; do
  rel=${file#"$root"/src/}
  check_file "$file" "${rel%%/*}"
  lines=$(wc -l <"$file")
  [ "$lines" -le 500 ] || report "$file has $lines lines; a source file keeps to one concern, 500 at most"
done < <(find "$root/src" -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
while IFS= read -r file; do
  check_file "$file" "$(owner_of "qmz/$(basename "$file")")"
done < <(find "$root/include/qmz" -type f -name '*.h' | sort)

# Libraries: qmz_<name> is the library of src/<name>.
while IFS= read -r call; do
  read -r -a words <<<"$(echo "$call" | sed 's/^[a-z_]*(//; s/)$//')"
  [[ ${words[0]} == qmz_* ]] || continue
  from=${layer[${words[0]#qmz_}]:-}
  [ -n "$from" ] || continue
  for dep in "${words[@]:1}"; do
    [[ $dep == qmz_* ]] || continue
    to=${layer[${dep#qmz_}]:-}
    if [ -z "$to" ] || [ "$to" -ge "$from" ]; then
      report "library ${words[0]} (layer $from) links $dep (layer ${to:-none})"
    fi
  done
done < <(cat "$root/CMakeLists.txt" "$root"/src/*/CMakeLists.txt 2>/dev/null | tr '\n' ' ' |
  grep -oE '(qmz_library|target_link_libraries)\([^)]*\)')

if [ "$violations" -gt 0 ]; then
  echo "layering: $violations violation(s)" >&2
  exit 1
fi
echo "layering: every folder includes and links only lower layers"
