#!/usr/bin/env bash
# The PostgreSQL server of a test run (CTest fixture pg):
#   server.sh start POINTER   ./run.sh pg-start in a new folder under /tmp (the server's user
#                             must reach it); POINTER keeps the folder's path
#   server.sh stop POINTER    ./run.sh pg-stop on that folder
#   server.sh run POINTER CMD...  runs CMD with QMZ_TEST_SERVER set to the server's --db value
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
what=$1 pointer=$2
shift 2
case $what in
  start)
    dir=$(mktemp -d /tmp/qmz-pg.XXXXXX)
    echo "$dir" >"$pointer"
    "$root/run.sh" pg-start "$dir" >/dev/null
    ;;
  stop)
    [ -f "$pointer" ] || exit 0
    "$root/run.sh" pg-stop "$(cat "$pointer")"
    rm -f "$pointer"
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
