#!/usr/bin/env bash
# Round trip of the throwaway PostgreSQL server: ./run.sh pg-start in a new folder, two queries
# through ODBC (isql with the printed connection string), ./run.sh pg-stop, and nothing of the
# server left behind. Run by hand: tests/pg/pg_roundtrip.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
run="$root/run.sh"
dir=$(mktemp -d)
work=$(mktemp -d)
passed=0
failed=0

cleanup() {
  "$run" pg-stop "$dir" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

check() {
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok: $what"
  else
    failed=$((failed + 1))
    echo "FAILED: $what"
  fi
}

now() { date +%s.%N; }
since() { awk -v from="$1" -v to="$(now)" 'BEGIN { printf "%.2f", to - from }'; }

# Runs SQL (standard input) through isql on the connection string; rows as a|b|c. psqlODBC as
# Debian registers it (CommLog=1) leaves /tmp/psqlodbc_<program><user><pid>.log behind for
# every connection; the one of this isql goes.
isql_rows() {
  local pid status=0
  cat >"$work/isql.in"
  isql -v -b -d'|' -k "$1" <"$work/isql.in" >"$work/isql.out" 2>&1 &
  pid=$!
  wait "$pid" || status=$?
  rm -f "/tmp/psqlodbc_"*"$(id -un)$pid.log"
  cat "$work/isql.out"
  return "$status"
}

# pg-start; only the connection line on standard output.
t=$(now)
"$run" pg-start "$dir" >"$work/start.out" 2>"$work/start.err" || {
  cat "$work/start.err"
  exit 1
}
t_start=$(since "$t")
line=$(tail -1 "$work/start.out")
echo "pg-start printed: $line"
pattern='^odbc:Driver=PostgreSQL Unicode;Server=127\.0\.0\.1;Port=[0-9]+;Database=suite;Uid=suite;Pwd=[0-9a-f]{32}$'
check "the last line is the --db value" grep -Eq "$pattern" <<<"$line"
check "nothing else on standard output" test "$(wc -l <"$work/start.out")" -eq 1
conn=${line#odbc:}
port=${line#*;Port=}
port=${port%%;*}

# pg-start again on the running server prints the same line.
t=$(now)
again=$("$run" pg-start "$dir" | tail -1)
t_again=$(since "$t")
check "pg-start again prints the same line" test "$again" = "$line"

# The data folder belongs to an unprivileged user.
owner=$(stat -c %U "$dir/data")
check "the data folder's owner ($owner) is not root" test "$owner" != root

t=$(now)
rows=$(isql_rows "$conn" <<'SQL' || true
select 1
select 'ABC '::citext = 'abc '::citext
select 'ABC'::citext = 'abd'::citext
select 'ABC ' = 'abc '
select current_user, current_database()
SQL
)
t_queries=$(since "$t")
while IFS= read -r row; do echo "  isql: $row"; done <<<"$rows"
check "select 1" test "$(sed -n 1p <<<"$rows")" = 1
check "citext: 'ABC ' = 'abc '" test "$(sed -n 2p <<<"$rows")" = 1
check "citext: 'ABC' <> 'abd'" test "$(sed -n 3p <<<"$rows")" = 0
check "text: 'ABC ' <> 'abc '" test "$(sed -n 4p <<<"$rows")" = 0
check "logged in as suite to suite" test "$(sed -n 5p <<<"$rows")" = "suite|suite"

rows=$(isql_rows "${conn%Pwd=*}Pwd=wrong" <<<"select 1" || true)
check "a wrong password is refused" grep -q "password authentication failed" <<<"$rows"
rows=$(isql_rows "${conn/Uid=suite/Uid=postgres}" <<<"select 1" || true)
check "the superuser cannot log in over TCP" grep -q "no pg_hba.conf entry" <<<"$rows"

postmaster=$(head -1 "$dir/data/postmaster.pid")
t=$(now)
"$run" pg-stop "$dir" >"$work/stop.out" 2>&1 || true
t_stop=$(since "$t")
check "pg-stop is quiet" test ! -s "$work/stop.out"
check "pg-stop removed the folder" test ! -e "$dir"
# Gone, or a zombie that only waits for its parent (in a container, an init that never reaps).
gone() {
  for _ in $(seq 50); do
    grep -q '^State:[[:space:]]*[^Z]' "/proc/$1/status" 2>/dev/null || return 0
    sleep 0.1
  done
  return 1
}
check "the server's process $postmaster is gone" gone "$postmaster"
left=""
for p in /proc/[0-9]*; do
  case $(readlink "$p/cwd" 2>/dev/null) in
    "$dir"/* | "$dir") left="$left ${p#/proc/}" ;;
  esac
done
check "no process works in the folder" test -z "$left"
check "nothing listens on port $port" bash -c "! (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null"
check "pg-stop on a stopped folder succeeds quietly" \
  bash -c "test -z \"\$('$run' pg-stop '$dir' 2>&1)\""

echo "times (s): pg-start $t_start, again $t_again, isql $t_queries, pg-stop $t_stop"
echo "pg_roundtrip: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
