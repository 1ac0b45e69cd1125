#!/usr/bin/env bash
# The throwaway site of a test run (CTest fixture site): a primary, a hot standby and pgbouncer
# in transaction mode (./run.sh site-start), the role suite's defaults set against everything
# the suite relies on, and a plain client sharing the pooler's connections.
#   site.sh start POINTER BASELIST  ./run.sh site-start on a new folder under /tmp; POINTER keeps its
#                             path. The role's defaults are set the hostile way (on the primary,
#                             so on the standby too) and the demo suite is made through the
#                             pooler; the plain client starts.
#   site.sh stop POINTER      the plain client stops: it fails the step when it ever saw
#                             another client's setting instead of the role's defaults; then
#                             ./run.sh site-stop, after which the folder is gone
#   site.sh failover POINTER  the plain client stops (a promoted standby has the primary's
#                             defaults but its own server's), then ./run.sh site-failover
#   site.sh run POINTER CMD...  runs CMD with QMZ_TEST_SERVER set to the pooler's --db value,
#                             QMZ_TEST_SITE to the folder and QMZ_TEST_FAILOVER to the command
#                             of the failover above
source "$(dirname "$0")/script_start.sh"

# What the role suite gets by default: each against what the suite relies on, and plans in
# parallel wherever the server can. Serializable transactions are the primary's own default:
# a standby refuses them, and the role's defaults reach it, so that psqlODBC could not even
# connect there.
hostile_defaults=(
  "extra_float_digits = -15" "enable_hashagg = on" "DateStyle = 'SQL, DMY'"
  "transform_null_equals = on" "standard_conforming_strings = off"
  "statement_timeout = '1h'" "parallel_setup_cost = 0" "parallel_tuple_cost = 0"
  "min_parallel_table_scan_size = 0" "search_path = evil, public" "enable_sort = off"
  "jit_above_cost = 0")
# What the plain client must see on every connection the pooler hands it (with the hostile
# defaults above; psqlODBC's own DateStyle and extra_float_digits aside).
plain_expected="on|1h|on|serializable|off"
plain_query="select current_setting('enable_hashagg') || '|' || current_setting('statement_timeout')
  || '|' || current_setting('transform_null_equals') || '|'
  || current_setting('default_transaction_isolation') || '|'
  || current_setting('standard_conforming_strings')"

# psql as the server's user on the socket of the site's server NAME (primary or standby).
server_psql() {
  local dir=$1 name=$2 port
  shift 2
  port=$(sed 's/.*;Port=\([0-9]*\);.*/\1/' "$dir/$name")
  if [ "$(id -u)" -eq 0 ]; then
    (cd / && runuser -u qmzpg -- psql -X -q -v ON_ERROR_STOP=1 -h "$dir/$name.d/socket" \
      -p "$port" -U postgres -d suite "$@")
  else
    psql -X -q -v ON_ERROR_STOP=1 -h "$dir/$name.d/socket" -p "$port" -U postgres -d suite "$@"
  fi
}

# A plain libpq client through the pooler, asking its settings twenty times a connection (each
# its own transaction, on whichever server connection the pooler hands out) until its stop file
# appears; every answer other than the role's defaults goes to its log.
plain_client() {
  local dir=$1 port password said
  port=$(sed 's/.*;Port=\([0-9]*\);.*/\1/' "$dir/pooler")
  password=$(sed 's/.*;Pwd=//' "$dir/pooler")
  while [ ! -e "$dir/plain.stop" ]; do
    said=$(for _ in $(seq 20); do echo "$plain_query;"; done |
      PGPASSWORD=$password PGCONNECT_TIMEOUT=10 timeout 60 psql -X -At -h 127.0.0.1 \
        -p "$port" -U suite -d suite 2>&1) ||
      said="failed: $said"
    grep -vx "$plain_expected" <<<"$said" >>"$dir/plain.log" || true
    grep -cx "$plain_expected" <<<"$said" >>"$dir/plain.count" || true
    sleep 0.1
  done
}

# Stops the plain client (a bounded wait, then a kill) and keeps what it saw.
stop_plain_client() {
  local dir=$1 pid
  touch "$dir/plain.stop"
  pid=$(cat "$dir/plain.pid" 2>/dev/null || true)
  for _ in $(seq 20); do
    if [ -z "$pid" ] || ! kill -0 "$pid" 2>/dev/null; then break; fi
    sleep 0.1
  done
  [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
}

case $what in
  start)
    baselist=$1
    parent=$(mktemp -d /tmp/qmz-site.XXXXXX)
    chmod 0755 "$parent"
    dir=$parent/site
    echo "$dir" >"$pointer"
    "$root/run.sh" site-start "$dir" >/dev/null
    for file in primary standby pooler; do
      [ "$(stat -c %a "$dir/$file")" = 600 ] || fail "$dir/$file is not private"
    done
    # Started again, the running site is left as it is, and says so.
    before=$(cat "$dir/primary" "$dir/standby" "$dir/pooler")
    said=$("$root/run.sh" site-start "$dir")
    grep -q "runs already; left as it is" <<<"$said" || fail "a second site-start said: $said"
    [ "$(cat "$dir/primary" "$dir/standby" "$dir/pooler")" = "$before" ] ||
      fail "a second site-start changed the site's files"
    # A schema planted first in the role's search_path, with a t_stock of its own (the demo
    # suite's warehouses, every one named EVIL), which the role may read.
    server_psql "$dir" primary -c "CREATE SCHEMA evil" -c "GRANT USAGE ON SCHEMA evil TO suite" \
      -c "CREATE TABLE evil.t_stock (FItemID int, FNumber text, FName text, FTypeID int,
            FRightUserID text)" \
      -c "INSERT INTO evil.t_stock VALUES (1, '01', 'EVIL', 500, '1,3'), (2, '02', 'EVIL', 500,
            '1,12'), (3, '03', 'EVIL', 502, '1,3'), (4, '04', 'EVIL', 500, '')" \
      -c "GRANT SELECT ON evil.t_stock TO suite"
    for setting in "${hostile_defaults[@]}"; do
      server_psql "$dir" primary -c "ALTER ROLE suite SET $setting"
    done
    server_psql "$dir" primary -c "ALTER SYSTEM SET default_transaction_isolation = serializable" \
      -c "select pg_reload_conf()" >/dev/null
    # The site test pauses the standby's replay as a slow standby would lag.
    server_psql "$dir" primary -c "GRANT EXECUTE ON FUNCTION pg_wal_replay_pause() TO suite" \
      -c "GRANT EXECUTE ON FUNCTION pg_wal_replay_resume() TO suite"
    "$baselist" init-db --demo --db "@$dir/pooler" >/dev/null
    # The standby has replayed the demo suite before any test reads it.
    lsn=$(server_psql "$dir" primary -At -c "select pg_current_wal_lsn()")
    for _ in $(seq 100); do
      replayed=$(server_psql "$dir" standby -At \
        -c "select pg_last_wal_replay_lsn() >= '$lsn'::pg_lsn" 2>/dev/null || true)
      [ "$replayed" = t ] && break
      sleep 0.1
    done
    [ "$replayed" = t ] || fail "the standby did not replay the demo suite"
    plain_client "$dir" </dev/null >/dev/null 2>&1 &
    echo $! >"$dir/plain.pid"
    ;;
  failover)
    dir=$(cat "$pointer")
    stop_plain_client "$dir"
    "$root/run.sh" site-failover "$dir"
    ;;
  stop)
    [ -f "$pointer" ] || exit 0
    dir=$(cat "$pointer")
    stop_plain_client "$dir"
    seen=$(cat "$dir/plain.log" 2>/dev/null || true)
    asked=$(awk '{ n += $1 } END { print n + 0 }' "$dir/plain.count" 2>/dev/null || echo 0)
    rm -f "$dir/plain.stop" "$dir/plain.log" "$dir/plain.count" "$dir/plain.pid"
    "$root/run.sh" site-stop "$dir"
    rm -f "$pointer"
    [ ! -e "$dir" ] || fail "site-stop left $dir"
    rmdir "$(dirname "$dir")"
    [ -z "$seen" ] || fail "the plain client sharing the pool saw, instead of \"$plain_expected\":
$(sort <<<"$seen" | uniq -c | head)"
    [ "$asked" -gt 0 ] || fail "the plain client never had an answer"
    ;;
  run)
    QMZ_TEST_SITE=$(cat "$pointer")
    QMZ_TEST_SERVER=$(cat "$QMZ_TEST_SITE/pooler")
    QMZ_TEST_FAILOVER="bash $0 failover $pointer"
    export QMZ_TEST_SITE QMZ_TEST_SERVER QMZ_TEST_FAILOVER
    exec "$@"
    ;;
  *)
    echo "usage: site.sh start|stop|run POINTER [CMD...]" >&2
    exit 2
    ;;
esac
