#!/usr/bin/env bash
# The Windows build under Wine, beside the Linux build, on the demo suite in a SQLite file and
# on a throwaway PostgreSQL server (reached through Wine's odbc32, which hands the calls to the
# machine's unixODBC and psqlODBC):
#   - the command answers byte for byte as the Linux command;
#   - regsvr32 registers the DLL, a VBScript host under cscript creates QMZBaseList.Suite and
#     QMZBaseList.BaseList by name and gets the same answers, and its errors are the library's;
#   - regsvr32 /u leaves none of the DLL's keys behind.
#   - a C++ host (examples/windows/com_host.cpp) creates them with CoCreateInstance and calls the
#     dual interfaces early-bound;
#   - the C host (examples/c_host.c) calls the DLL's C interface.
# windows_test.sh BASELIST_EXE QMZBASELIST_DLL COM_HOST_EXE C_HOST_EXE LINUX_BASELIST WORKDIR
set -euo pipefail
exe=$1 dll=$2 com_host=$3 c_host=$4 linux=$5 work=$6
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
rm -rf "$work"
mkdir -p "$work/linux" "$work/windows"
chmod 0755 "$work"
# A prefix of this test's own: its registry starts empty.
export QMZ_WINEPREFIX=$work/prefix
wine() { "$here/wine.sh" "$@"; }
winpath() { echo "Z:${1//\//\\}"; }
failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}
# Compares two files, printing the difference.
same() {
  local what=$1 expected=$2 got=$3
  if ! cmp -s "$expected" "$got"; then
    fail "$what"
    diff "$expected" "$got" | head -20 >&2 || true
  fi
}

# The command, on Windows and on Linux, every operation on the same suite: output and status.
compare_commands() {
  local linux_db=$1 windows_db=$2 label=$3
  local commands=(
    "get-batch --item 1 --batch B2601 --stock 1"
    "get-aux --item 2 --aux 蓝 --user clerk"
    "get-aux --item 2 --aux Blue --stock 1"
    "allocate-batches --item 4 --qty 0.1"
    "allocate-batches --item 1 --qty 10.1"
    "show-batch --item 1 --script 'row 2; key Enter'"
    "show-batch-multi --item 4 --filter N-000 --script 'select 2,3; key Enter Ledger'"
    "show-aux --item 2 --script 'row 1; key Enter'"
    "show-aux-multi --item 2 --class-type 1030003 --script 'select 3; click cmdYes'"
    "show --class-id 18 --keyword B2603 --script 'key Enter'"
    "show-ex --class-id 18 --script 'paste txtNumber x; key F9; key Esc'"
    "get-batch --user nobody --item 1 --batch B"
  )
  local i=0 command status
  for command in "${commands[@]}"; do
    i=$((i + 1))
    status=0
    eval "\"$linux\" $command --db \"$linux_db\"" >"$work/linux/$label-$i.out" 2>&1 || status=$?
    echo "exit $status" >>"$work/linux/$label-$i.out"
    status=0
    eval "wine \"$exe\" $command --db \"$windows_db\"" >"$work/windows/$label-$i.out" 2>&1 ||
      status=$?
    echo "exit $status" >>"$work/windows/$label-$i.out"
    same "$label: baselist $command" "$work/linux/$label-$i.out" "$work/windows/$label-$i.out"
  done
  echo "$label: ${#commands[@]} commands compared"
}

# The C host on the DLL's C interface: GetBatch and a scripted ShowBatch, printed as the Linux
# command prints them (the C host's own printf ends its lines with "\r\n" on Windows).
check_c_host() {
  local linux_db=$1 target=$2 label=$3
  wine "$c_host" "$target" 1 B2601 "row 2; key Enter" | tr -d '\r' >"$work/windows/$label-c-host.out" ||
    fail "$label: the C host failed"
  {
    printf 'GetBatch: %s\n' "$("$linux" get-batch --item 1 --batch B2601 --host-prop ICClosed=1 \
      --db "$linux_db")"
    printf 'ShowBatch: %s\n' "$("$linux" show-batch --item 1 --host-prop ICClosed=1 \
      --script 'row 2; key Enter' --db "$linux_db")"
  } >"$work/linux/$label-c-host.out"
  same "$label: the C host" "$work/linux/$label-c-host.out" "$work/windows/$label-c-host.out"
}

# What the VBScript host (host.vbs) must write, from the Linux command's answers on `db` and
# the texts a script sees.
expected_host_output() {
  local db=$1
  answer() { "$linux" "$@" --db "$db"; }
  section() { printf '== %s\n%s\n' "$1" "$2"; }
  section "GetBatch" "$(answer get-batch --item 1 --batch B2601 --stock 1)"
  section "GetBatch indexed" "FQty=120 stockName=北京仓 Count=16 FBatchNo=B2601|AuxName=|stockName=北京仓|FQty=120|FUnitName=个|FSecQty=0|Fprice=0|FAmount=300|FKFDate=2026-01-05|FPeriodDate=2027-01-05|StockNumber=01|AuxNumber=|AuxPropID=|FitemID=1|FISKFPeriod=1|FBatchNoIndex=0|"
  section "GetAux" "$(answer get-aux --item 2 --aux Blue)"
  section "AllocateBatches" "$(answer allocate-batches --item 4 --qty 0.1)"
  section "AllocateBatches indexed" "rows=1 first FTakeQty=0.1"
  section "GetBatch of no batch" "$(answer get-batch --item 1 --batch 'no such batch')"
  section "ShowEx of a class id past 16 bits" "Nothing"
  section "ShowBatch" "$(answer show-batch --item 1 --script 'row 2; key Enter')"
  section "ShowBatchForMultiSelBatchNo" \
    "$(answer show-batch-multi --item 4 --filter N-000 --script 'select 2,3; key Enter Ledger')"
  section "ShowAux" "$(answer show-aux --item 2 --script 'row 1; key Enter')"
  section "Show" "$(answer show --class-id 18 --keyword B2603 --script 'key Enter')"
  section "Show moved through" "RecordCount=1 UserID=7 B2603/0| Fields=FStockPlaceID,FAuxPropID,FAuxPropName,FItemID,FBatchNo,FQty,FStockID,FStockName,FKFDate,FKFPeriod,FTypeID,"
  section "ItemExtInfo" "held"
  section "Second suite" "Err 80004005: A session is already open in this process; close it first"
  section "Unknown user" "Err 80004005: Unknown user of the suite: nobody"
  section "BaseList after its suite closed" "120"
}

# regsvr32, the VBScript host on `target`, regsvr32 /u and the keys left.
check_com_host() {
  local linux_db=$1 target=$2 label=$3
  wine regsvr32 /s "$(winpath "$dll")" || fail "$label: regsvr32"
  wine reg query 'HKCR\QMZBaseList.BaseList\CLSID' >/dev/null 2>&1 ||
    fail "$label: QMZBaseList.BaseList is not registered"
  wine cscript //nologo "$(winpath "$here/host.vbs")" "$target" \
    "$(winpath "$work/windows/$label-host.txt")" >"$work/windows/$label-cscript.log" 2>&1 ||
    { fail "$label: the VBScript host failed"; cat "$work/windows/$label-cscript.log" >&2; }
  # The idle connection's closer wakes within a second, after COM was free to unload the DLL.
  QMZ_IDLE_CONNECTION_SECONDS=1 wine "$com_host" "$target" administrator 1 B2601 1 \
    >"$work/windows/$label-com-host.out" 2>&1 ||
    fail "$label: the C++ host failed"
  "$linux" get-batch --item 1 --batch B2601 --stock 1 --db "$linux_db" \
    >"$work/linux/$label-com-host.out"
  same "$label: the C++ host's GetBatch" "$work/linux/$label-com-host.out" \
    "$work/windows/$label-com-host.out"
  wine "$com_host" "$target" nobody 1 B2601 1 >"$work/windows/$label-com-refused.out" 2>&1 &&
    fail "$label: the C++ host logged in an unknown user"
  printf 'Open: Unknown user of the suite: nobody\n' >"$work/linux/$label-com-refused.out"
  same "$label: the C++ host's refused login" "$work/linux/$label-com-refused.out" \
    "$work/windows/$label-com-refused.out"
  iconv -f UTF-16 -t UTF-8 "$work/windows/$label-host.txt" >"$work/windows/$label-host.out" ||
    true
  expected_host_output "$linux_db" >"$work/linux/$label-host.out"
  same "$label: the VBScript host's answers" "$work/linux/$label-host.out" \
    "$work/windows/$label-host.out"
  wine regsvr32 /s /u "$(winpath "$dll")" || fail "$label: regsvr32 /u"
  local key
  for key in 'HKCR\QMZBaseList.BaseList' 'HKCR\QMZBaseList.Suite' \
    'HKCR\CLSID\{0520a3d1-3bae-480a-bc27-e4348c6b6ad5}' \
    'HKCR\CLSID\{5c0a51e4-3c59-4b8e-9f3d-2f7d7e1b6a10}' \
    'HKCR\TypeLib\{18f060a7-a4db-49e1-95ae-29bfd1df71cb}' \
    'HKCR\Interface\{ded47eab-ac1c-4829-8a0a-69ef31bf1357}' \
    'HKCR\Interface\{475246cd-8ab6-4422-b9a1-13e5f147a17d}' \
    'HKCR\Interface\{06af4114-9965-45e0-a5da-e6970a13bfbe}' \
    'HKCR\Interface\{94833e5c-107d-4379-a40e-cc55f6b0cc77}'; do
    if wine reg query "$key" >/dev/null 2>&1; then fail "$label: regsvr32 /u left $key"; fi
  done
  echo "$label: regsvr32, the VBScript and C++ hosts and regsvr32 /u checked"
}

# The demo suite in a SQLite file, made by each command; the Windows one's machine settings are
# imported into the registry, where the Windows build reads them.
"$linux" init-db --demo --db "$work/linux/demo.db" >/dev/null
export QMZ_MACHINE_SETTINGS=$work/linux/machine.ini
wine "$exe" init-db --demo --db "$(winpath "$work/windows/demo.db")" >"$work/windows/init.out"
printf 'machine settings %s\ncreated %s\n' "$(winpath "$work/windows/machine.reg")" \
  "$(winpath "$work/windows/demo.db")" >"$work/linux/init.out"
same "init-db on Windows" "$work/linux/init.out" "$work/windows/init.out"
wine reg import "$(winpath "$work/windows/machine.reg")"
[ "$(wine reg query 'HKLM\SOFTWARE\Vantrel\COMMERCE\Tessan' /v Path | tr -d '\r' |
  awk '/Path/ {print $3}')" = "$(winpath "$work/windows")" ] ||
  fail "the demo's install folder is not in the registry"
compare_commands "$work/linux/demo.db" "$(winpath "$work/windows/demo.db")" sqlite
check_c_host "$work/linux/demo.db" "$(winpath "$work/windows/demo.db")" sqlite
check_com_host "$work/linux/demo.db" "$(winpath "$work/windows/demo.db")" sqlite

# The same on a throwaway PostgreSQL server: one suite, each build on its own ODBC.
server=$work/pg
status=0
"$root/run.sh" pg-start "$server" >/dev/null || status=$?
if [ "$status" -eq 0 ]; then
  trap '"$root/run.sh" pg-stop "$server" >/dev/null 2>&1 || true' EXIT
  target=$(tail -1 "$server/connection")
  "$linux" init-db --demo --db "$target" >/dev/null
  compare_commands "$target" "$target" server
  check_c_host "$target" "$target" server
  check_com_host "$target" "$target" server
else
  fail "the throwaway server did not start"
fi

if [ "$failures" -gt 0 ]; then
  echo "windows: $failures check(s) failed" >&2
  exit 1
fi
echo "windows: every check passed"
