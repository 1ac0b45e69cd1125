#!/usr/bin/env bash
# The PostgreSQL server of a test run (CTest fixture pg), and the checks of pg-start/pg-stop:
#   server.sh start POINTER   ./run.sh pg-start on a new folder in a new folder under /tmp (the
#                             server's user must reach it); POINTER keeps the folder's path.
#                             Only the --db line is printed, again the same by a second
#                             pg-start; the cluster and the log are not root's, the connection
#                             file is private. As root, folders of other users are refused.
#   server.sh stop POINTER    ./run.sh pg-stop on that folder: quiet, the folder and the port
#                             gone, and a second pg-stop quiet too
#   server.sh run POINTER CMD...  runs CMD with QMZ_TEST_SERVER set to the server's --db value,
#                             QMZ_TEST_SERVER_DIR to its folder and QMZ_TEST_RUN_SH to run.sh
source "$(dirname "$0")/script_start.sh"

# Each file of FOLDER with its owner, mode and contents.
snapshot() {
  local file
  for file in "$1"/*; do
    echo "$file $(stat -c '%U:%G %a' "$file") $(cat "$file")"
  done
}

# As root, pg-start refuses, with one line, a folder of another user that holds pg-start's mark
# and links where it used to write (their targets stay as they were), an empty folder of
# another user, one that others may write and a link to a folder; pg-stop leaves each of them.
check_refusals() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "server.sh: not root: the checks of other users' folders are skipped" >&2
    return 0
  fi
  local name said before
  # The folders are ones the server's user could reach.
  scratch=$(mktemp -d /tmp/qmz-pg-refused.XXXXXX)
  chmod 0755 "$scratch"
  # Should pg-start take a folder after all, its server is stopped with the folder.
  trap '"$root/run.sh" pg-stop "$scratch/theirs" >/dev/null 2>&1 || true; rm -rf "$scratch"' EXIT
  mkdir "$scratch/targets" "$scratch/theirs" "$scratch/others" "$scratch/open" "$scratch/mine"
  echo "a log of root's" >"$scratch/targets/log"
  echo "a file of root's" >"$scratch/targets/file"
  touch "$scratch/theirs/.qmz-pg"
  ln -s "$scratch/targets/log" "$scratch/theirs/server.log"
  ln -s "$scratch/targets/file" "$scratch/theirs/connection"
  chown -hR nobody: "$scratch/theirs" "$scratch/others"
  chmod 0777 "$scratch/open"
  ln -s "$scratch/mine" "$scratch/link"
  before=$(snapshot "$scratch/targets")
  for name in theirs others open link; do
    if said=$("$root/run.sh" pg-start "$scratch/$name" 2>&1); then
      fail "pg-start took $name: $said"
    fi
    [ "$(wc -l <<<"$said")" = 1 ] || fail "pg-start refused $name with more than a line: $said"
    said=$("$root/run.sh" pg-stop "$scratch/$name" 2>&1) && fail "pg-stop took $name"
    [ -n "$said" ] || fail "pg-stop left $name without a word"
  done
  [ "$(snapshot "$scratch/targets")" = "$before" ] || fail "pg-start wrote through the links"
  [ "$(ls -A "$scratch/theirs" | wc -l)" = 3 ] || fail "pg-start or pg-stop changed theirs"
  [ -d "$scratch/others" ] && [ -d "$scratch/open" ] && [ -L "$scratch/link" ] &&
    [ -z "$(ls -A "$scratch/mine")" ] || fail "pg-start or pg-stop changed the refused folders"
}

case $what in
  start)
    parent=$(mktemp -d /tmp/qmz-pg.XXXXXX)
    chmod 0755 "$parent"
    dir=$parent/server
    echo "$dir" >"$pointer"
    out=$("$root/run.sh" pg-start "$dir")
    [[ $out =~ ^odbc:Driver=PostgreSQL\ Unicode\;Server=127\.0\.0\.1\;Port=[0-9]+\;Database=suite\;Uid=suite\;Pwd=[0-9a-f]{32}$ ]] ||
      fail "pg-start printed more or other than the --db line: $out"
    [ "$("$root/run.sh" pg-start "$dir")" = "$out" ] || fail "a second pg-start printed another line"
    owners=$(stat -c %U "$dir/data" "$dir/log/server.log")
    ! grep -qx root <<<"$owners" || fail "the cluster or its log belongs to root"
    [ "$(stat -c %a "$dir/connection")" = 600 ] || fail "the connection file is not private"
    check_refusals
    ;;
  stop)
    [ -f "$pointer" ] || exit 0
    dir=$(cat "$pointer")
    port=$(sed 's/.*;Port=\([0-9]*\);.*/\1/' "$dir/connection")
    [ -z "$("$root/run.sh" pg-stop "$dir" 2>&1)" ] || fail "pg-stop said something"
    rm -f "$pointer"
    [ ! -e "$dir" ] || fail "pg-stop left $dir"
    rmdir "$(dirname "$dir")"
    ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || fail "port $port still answers"
    [ -z "$("$root/run.sh" pg-stop "$dir" 2>&1)" ] || fail "pg-stop of a stopped server said something"
    ;;
  run)
    QMZ_TEST_SERVER_DIR=$(cat "$pointer")
    QMZ_TEST_SERVER=$(tail -1 "$QMZ_TEST_SERVER_DIR/connection")
    QMZ_TEST_RUN_SH=$root/run.sh
    export QMZ_TEST_SERVER QMZ_TEST_SERVER_DIR QMZ_TEST_RUN_SH
    exec "$@"
    ;;
  *)
    echo "usage: server.sh start|stop|run POINTER [CMD...]" >&2
    exit 2
    ;;
esac
