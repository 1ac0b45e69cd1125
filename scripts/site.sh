# shellcheck shell=bash disable=SC2154 # root, callers_dir: set by run.sh
# Sourced by run.sh after scripts/pg_server.sh; it defines functions only.
# A throwaway site (`site-start DIR`, `site-failover DIR`, `site-stop DIR`, docs/site.md): a
# primary, a streaming hot standby of it and pgbouncer in transaction mode in front of both, all
# on loopback and from Debian's packages. DIR holds:
#   .qmz-pg        pg-start's mark, on DIR as on each server's folder
#   primary.d/     the primary, a pg-start folder (its socket also lets the standby replicate)
#   standby.d/     the standby, a pg-start folder whose cluster is a base backup of the primary
#   pooler.d/      pgbouncer's folder, the server's user's: pgbouncer.ini, its password file,
#                  log and pid file
#   primary, standby, pooler   one --db value each (mode 0600): the primary and the standby
#                  directly, and the primary through the pooler; the standby through the pooler
#                  is its database suite_standby (the pooler file with Database=suite_standby)
# site-failover stops the primary at once, promotes the standby and points the pooler's suite at
# it, as a site's failover would. Each command says what it did, and leaves what it finds done
# as it is: a second site-start on a running site, a second site-failover.
site_packages=(pgbouncer)

# The --db value of a server or pooler of the site on PORT, for DATABASE.
site_line() {
  echo "odbc:Driver=$pg_driver;Server=127.0.0.1;Port=$1;Database=$2;Uid=suite;Pwd=$(
    cat -- "$3/primary.d/password")"
}

site_port() {
  sed 's/.*;Port=\([0-9]*\);.*/\1/' "$1"
}

# The standby: a base backup of the primary through its socket, streaming from a slot of its
# own, then started as pg-start starts a server.
site_make_standby() {
  local dir=$1 primary_port=$2 standby=$1/standby.d
  pg_take_dir "$standby" || return 1
  if [ ! -f "$standby/data/PG_VERSION" ]; then
    rm -rf -- "$standby/data" "$standby/socket" "$standby/log"
    mkdir -m 0700 -- "$standby/data" "$standby/socket" "$standby/log"
    pg_own "$standby/data" "$standby/socket" "$standby/log"
    if ! as_pg_logged "$standby/log/basebackup.log" pg_basebackup -h "$dir/primary.d/socket" \
      -p "$primary_port" -U postgres -D "$standby/data" -R -X stream -c fast -C -S qmz_standby; then
      as_pg cat "$standby/log/basebackup.log" >&2
      return 1
    fi
  fi
  pg_running "$standby" || pg_start_server "$standby"
  cp -- "$dir/primary.d/password" "$standby/password.new" && mv -- "$standby/password.new" \
    "$standby/password"
}

# pgbouncer's configuration: transaction pooling, ten server connections per database, the role
# suite's password checked by the pooler, the servers reached through their sockets. Its waits
# are a site's, not pgbouncer's defaults: a server that cannot be reached is tried again after
# a second (server_login_retry, 15 s by default, which kept every desk waiting that long after a
# failover), a server connection is given 3 s to open (server_connect_timeout), and a client
# waits at most 10 s for one (query_wait_timeout, 120 s by default) before it is told why.
site_write_pooler_conf() {
  local dir=$1 port=$2 primary_port=$3 standby_port=$4 target=${5:-primary}
  local pooler=$dir/pooler.d target_port=$primary_port
  [ "$target" = primary ] || target_port=$standby_port
  # shellcheck disable=SC2016 # the child shell expands it
  printf '"suite" "%s"\n' "$(cat -- "$dir/primary.d/password")" |
    as_pg sh -c 'umask 077 && cat >"$1"' sh "$pooler/userlist.txt"
  as_pg tee "$pooler/pgbouncer.ini" >/dev/null <<INI
[databases]
suite = host=$dir/$target.d/socket port=$target_port dbname=suite user=suite
suite_standby = host=$dir/standby.d/socket port=$standby_port dbname=suite user=suite

[pgbouncer]
listen_addr = 127.0.0.1
listen_port = $port
unix_socket_dir =
auth_type = scram-sha-256
auth_file = $pooler/userlist.txt
pool_mode = transaction
default_pool_size = 10
max_db_connections = 10
max_client_conn = 2000
server_lifetime = 600
server_login_retry = 1
server_connect_timeout = 3
query_wait_timeout = 10
logfile = $pooler/pgbouncer.log
pidfile = $pooler/pgbouncer.pid
INI
}

site_pooler_pid() {
  local pid
  pid=$(as_pg cat "$1/pooler.d/pgbouncer.pid" 2>/dev/null) || return 1
  [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = pgbouncer ] && echo "$pid"
}

site_start_pooler() {
  local dir=$1 primary_port=$2 standby_port=$3 pooler=$1/pooler.d port _
  # Running already: its port, as its configuration says.
  if site_pooler_pid "$dir" >/dev/null; then
    as_pg sed -n 's/^listen_port = //p' "$pooler/pgbouncer.ini"
    return 0
  fi
  if [ ! -d "$pooler" ]; then
    mkdir -m 0700 -- "$pooler"
    pg_own "$pooler"
  fi
  for _ in 1 2 3 4 5; do
    port=$(pg_free_port)
    site_write_pooler_conf "$dir" "$port" "$primary_port" "$standby_port"
    if as_pg /usr/sbin/pgbouncer -d -q "$pooler/pgbouncer.ini" 9>&- 7>&-; then
      for _ in $(seq 50); do
        pg_port_in_use "$port" && echo "$port" && return 0
        sleep 0.1
      done
    fi
  done
  echo "site-start: pgbouncer did not start; the end of its log:" >&2
  as_pg tail -20 "$pooler/pgbouncer.log" >&2
  return 1
}

site_start() {
  local sync=""
  if [ "${1:-}" = --sync ]; then
    sync=1
    shift
  fi
  if [ $# -ne 1 ] || [ -z "$1" ]; then
    echo "usage: ./run.sh site-start [--sync] DIR" >&2
    return 2
  fi
  local dir primary_port standby_port pooler_port
  dir=$(pg_abs_dir "$1")
  if [ -s "$dir/pooler" ] && site_pooler_pid "$dir" >/dev/null && pg_running "$dir/primary.d" &&
    pg_running "$dir/standby.d"; then
    echo "site-start: the site in $dir runs already; left as it is"
    echo "primary: $dir/primary"
    echo "standby: $dir/standby"
    echo "pooler:  $dir/pooler"
    return 0
  fi
  pg_check_dir "$dir/standby.d" || return 2
  setup "${pg_packages[@]}" "${site_packages[@]}" >&2
  [ "$(id -u)" -ne 0 ] || pg_make_os_user
  pg_take_dir "$dir" || return 1
  exec 7<"$dir/.qmz-pg"
  flock 7
  pg_start "$dir/primary.d" >/dev/null || return 1
  primary_port=$(site_port "$dir/primary.d/connection")
  # The standby replicates through the primary's socket, which only the server's user reaches.
  if ! as_pg grep -q '^local replication' "$dir/primary.d/data/pg_hba.conf"; then
    echo "local   replication  all                  trust" |
      as_pg tee -a "$dir/primary.d/data/pg_hba.conf" >/dev/null
    as_pg pg_ctl reload -D "$dir/primary.d/data" -s
  fi
  # A confirmed save is on the primary's disk; with --sync also on the standby's (the primary
  # waits for it), so that a failover loses none.
  site_primary_psql "$dir" "$primary_port" -c "ALTER SYSTEM SET synchronous_commit = 'on'" \
    -c "ALTER SYSTEM SET synchronous_standby_names = '${sync:+*}'" -c "select pg_reload_conf()" \
    >/dev/null || return 1
  site_make_standby "$dir" "$primary_port" || return 1
  standby_port=$(as_pg sed -n 4p "$dir/standby.d/data/postmaster.pid")
  site_line "$standby_port" suite "$dir" | pg_write_file "$dir/standby.d/connection"
  pooler_port=$(site_start_pooler "$dir" "$primary_port" "$standby_port") || return 1
  site_line "$primary_port" suite "$dir" | pg_write_file "$dir/primary"
  site_line "$standby_port" suite "$dir" | pg_write_file "$dir/standby"
  site_line "$pooler_port" suite "$dir" | pg_write_file "$dir/pooler"
  echo "primary: $dir/primary"
  echo "standby: $dir/standby$([ -n "$sync" ] && echo " (synchronous)")"
  echo "pooler:  $dir/pooler"
}

# psql as the server's user on the primary's socket.
site_primary_psql() {
  local dir=$1 port=$2
  shift 2
  as_pg psql -X -q -v ON_ERROR_STOP=1 -h "$dir/primary.d/socket" -p "$port" -U postgres \
    -d postgres "$@"
}

# The primary stopped at once, the standby promoted and the pooler's suite pointed at it.
site_failover() {
  if [ $# -ne 1 ] || [ -z "$1" ]; then
    echo "usage: ./run.sh site-failover DIR" >&2
    return 2
  fi
  local dir pid standby_port pooler_port
  dir=$(pg_abs_dir "$1")
  pg_check_own_dir site-failover "$dir" "not a site" || return 1
  [ -s "$dir/pooler" ] || {
    echo "site-failover: $dir is not a site of site-start" >&2
    return 1
  }
  if ! as_pg test -f "$dir/standby.d/data/standby.signal"; then
    echo "site-failover: the standby of $dir was promoted already; left as it is"
    return 0
  fi
  if pg_running "$dir/primary.d"; then
    as_pg pg_ctl stop -D "$dir/primary.d/data" -m immediate -w -t 30 -s || true
    echo "site-failover: the primary stopped"
  fi
  as_pg pg_ctl promote -D "$dir/standby.d/data" -w -t 60 -s || return 1
  echo "site-failover: the standby promoted"
  # Its base backup brought the primary's synchronous_standby_names along: the promoted server,
  # which has no standby of its own, would hold every commit for one.
  as_pg psql -X -q -v ON_ERROR_STOP=1 -h "$dir/standby.d/socket" -p "$(site_port "$dir/standby")" \
    -U postgres -d postgres -c "ALTER SYSTEM RESET synchronous_standby_names" \
    -c "select pg_reload_conf()" >/dev/null || return 1
  standby_port=$(site_port "$dir/standby")
  pooler_port=$(site_port "$dir/pooler")
  site_write_pooler_conf "$dir" "$pooler_port" "$(site_port "$dir/primary")" "$standby_port" \
    standby
  if pid=$(site_pooler_pid "$dir"); then
    # Read at once (a reload); its connections to the stopped primary are gone, and with a
    # login retry of a second the next request opens one to the promoted standby.
    kill -HUP "$pid"
    echo "site-failover: the pooler's suite points at the promoted standby"
  fi
}

site_stop() {
  local dir mark pid status=0
  pg_stop_target site-stop site-start "made taken" "$@" || status=$?
  [ "$status" -ne 3 ] || return 0
  [ "$status" -eq 0 ] || return "$status"
  exec 7<"$dir/.qmz-pg"
  flock 7
  if pid=$(site_pooler_pid "$dir"); then
    kill -TERM "$pid"
    for _ in $(seq 50); do
      [ -d "/proc/$pid" ] || break
      sleep 0.1
    done
  fi
  rm -rf -- "$dir/pooler.d"
  pg_stop "$dir/standby.d"
  pg_stop "$dir/primary.d"
  rm -f -- "$dir/primary" "$dir/standby" "$dir/pooler" "$dir/.qmz-pg"
  [ "$mark" = made ] || return 0
  if ! rmdir -- "$dir" 2>/dev/null; then
    echo "site-stop: $dir holds files site-start did not make; left there" >&2
    return 1
  fi
}
