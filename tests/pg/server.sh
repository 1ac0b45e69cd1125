#!/usr/bin/env bash
# The PostgreSQL server of a test run (CTest fixture pg), and the checks of pg-start/pg-stop:
#   server.sh start POINTER   ./run.sh pg-start in a new folder under /tmp (the server's user
#                             must reach it); POINTER keeps the folder's path. Only the --db line
#                             is printed, again the same by a second pg-start, and the cluster
#                             is not root's.
#   server.sh stop POINTER    ./run.sh pg-stop on that folder: quiet, the folder and the port
#                             gone, and a second pg-stop quiet too
#   server.sh run POINTER CMD...  runs CMD with QMZ_TEST_SERVER set to the server's --db value
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
what=$1 pointer=$2
shift 2
fail() {
  echo "server.sh: $*" >&2
  exit 1
}
case $what in
  start)
    dir=$(mktemp -d /tmp/qmz-pg.XXXXXX)
    echo "$dir" >"$pointer"
    out=$("$root/run.sh" pg-start "$dir")
    [[ $out =~ ^odbc:Driver=PostgreSQL\ Unicode\;Server=127\.0\.0\.1\;Port=[0-9]+\;Database=suite\;Uid=suite\;Pwd=[0-9a-f]{32}$ ]] ||
      fail "pg-start printed more or other than the --db line: $out"
    [ "$("$root/run.sh" pg-start "$dir")" = "$out" ] || fail "a second pg-start printed another line"
    [ "$(stat -c %U "$dir/data")" != root ] || fail "the cluster belongs to root"
    ;;
  stop)
    [ -f "$pointer" ] || exit 0
    dir=$(cat "$pointer")
    port=$(sed 's/.*;Port=\([0-9]*\);.*/\1/' "$dir/connection")
    [ -z "$("$root/run.sh" pg-stop "$dir" 2>&1)" ] || fail "pg-stop said something"
    rm -f "$pointer"
    [ ! -e "$dir" ] || fail "pg-stop left $dir"
    ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || fail "port $port still answers"
    [ -z "$("$root/run.sh" pg-stop "$dir" 2>&1)" ] || fail "pg-stop of a stopped server said something"
    ;;
  run)
    QMZ_TEST_SERVER=$(tail -1 "$(cat "$pointer")/connection")
    export QMZ_TEST_SERVER
    exec "$@"
    ;;
  *)
    echo "usage: server.sh start|stop|run POINTER [CMD...]" >&2
    exit 2
    ;;
esac
