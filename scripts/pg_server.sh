# shellcheck shell=bash disable=SC2154 # root, callers_dir: set by run.sh
# Sourced by run.sh, which sets root, callers_dir and setup; it defines functions only.
# The throwaway PostgreSQL server of `pg-start DIR` / `pg-stop DIR` (docs/suite.md). DIR holds:
#   .qmz-pg     pg-start's mark: made-dir=yes when it made DIR, made-dir=no when it took an
#               empty folder of the caller's; pg-stop removes DIR itself only in the first case
#   data/       the cluster, owned by the server's user
#   socket/     the server's Unix socket, mode 0700: only that user (and root) reach it
#   log/        the server's user's own folder: server.log and initdb.log, which that user writes
#   password    the generated password of the role suite (mode 0600)
#   connection  the line pg-start prints (mode 0600), for `baselist --db @DIR/connection`
# DIR is a folder pg-start makes, or an empty one of the caller's that no one else may write,
# below folders no one else may change. Every file pg-start writes there is created anew, never
# through a link, and it opens no file in the server's user's folders: a hand that could put a
# link there could make root write, hand over or print a file elsewhere.
# The server runs as an unprivileged user: qmzpg (made here) when we are root, for PostgreSQL
# refuses to run as root; otherwise the caller.
pg_packages=(postgresql odbc-postgresql unixodbc)
pg_bin=/usr/lib/postgresql/15/bin
pg_os_user=qmzpg
pg_driver="PostgreSQL Unicode"

# Runs a command as the server's user, from / (the caller's folder may be closed to that user)
# and without the caller's environment (PGHOST and the like).
as_pg() {
  local clean=(env -i "PATH=$pg_bin:/usr/bin:/bin" LC_ALL=C.UTF-8)
  if [ "$(id -u)" -eq 0 ]; then
    (cd / && runuser -u "$pg_os_user" -- "${clean[@]}" "$@")
  else
    (cd / && "${clean[@]}" "$@")
  fi
}

# Runs a command as the server's user with its output appended to LOG, which that user opens.
# shellcheck disable=SC2016 # the child shell expands them
as_pg_logged() {
  local log=$1
  shift
  as_pg sh -c 'log=$1; shift; exec "$@" >>"$log" 2>&1' sh "$log" "$@"
}

# Hands folders just made to the server's user (only needed when we are root).
pg_own() {
  [ "$(id -u)" -ne 0 ] || chown -h "$pg_os_user:$pg_os_user" -- "$@"
}

# Debian registers psqlODBC with CommLog=1: every connection of every host would leave a
# /tmp/psqlodbc_*.log behind. The suite's connections need no driver log.
pg_quiet_driver() {
  local ini
  ini=$(odbcinst -j 2>/dev/null | sed -n 's/^DRIVERS[. ]*: //p')
  [ -n "$ini" ] && [ -w "$ini" ] || return 0
  grep -q '^CommLog=1$' "$ini" || return 0
  awk '/^\[/ { pg = /^\[PostgreSQL/ } pg && $0 == "CommLog=1" { $0 = "CommLog=0" } 1' "$ini" \
    >"$ini.qmz" && cat "$ini.qmz" >"$ini" && rm -f "$ini.qmz"
}

pg_make_os_user() {
  id -u "$pg_os_user" >/dev/null 2>&1 && return 0
  (
    flock 8
    id -u "$pg_os_user" >/dev/null 2>&1 ||
      useradd --system --user-group --no-create-home --home-dir /nonexistent \
        --shell /usr/sbin/nologin "$pg_os_user"
  ) 8>/run/lock/qmz-pg-user.lock
}

# DIR as an absolute path, relative ones taken from the caller's folder. Links above DIR are
# resolved; DIR itself is not, so that a link given as DIR is seen as one.
pg_abs_dir() {
  local path=$1 parent
  while [[ $path == */ && $path != / ]]; do path=${path%/}; done
  case ${path##*/} in
    "" | . | ..) (cd "$callers_dir" && realpath -m -- "$path") ;;
    *)
      parent=$(cd "$callers_dir" && realpath -m -- "$(dirname -- "$path")")
      echo "${parent%/}/${path##*/}"
      ;;
  esac
}

# The folder names a server setting, and its socket path must fit a sockaddr_un (107 bytes).
pg_check_dir() {
  local dir=$1 socket="/socket/.s.PGSQL.NNNNN"
  if [[ ! $dir =~ ^[A-Za-z0-9._/@+=-]+$ ]]; then
    echo "pg: $dir: use only letters, digits and . _ / @ + = - in DIR" >&2
    return 1
  fi
  if [ $((${#dir} + ${#socket})) -gt 107 ]; then
    echo "pg: $dir is too long for a Unix socket path inside it; choose a shorter DIR" >&2
    return 1
  fi
}

# The folders above DIR must be root's or the caller's and writable by no one else unless
# sticky (as /tmp): otherwise another user could put a link in DIR's place after our checks.
pg_check_parents() {
  local who=$1 dir=$2 advice=$3 path owner mode
  path=$(dirname -- "$dir")
  while :; do
    if [ -e "$path" ]; then
      read -r owner mode < <(stat -c '%u %a' -- "$path")
      if { [ "$owner" -ne 0 ] && [ "$owner" -ne "$(id -u)" ]; } ||
        { ((8#$mode & 8#022)) && ! ((8#$mode & 8#1000)); }; then
        echo "$who: $path, above $dir, may be changed by other users; $advice" >&2
        return 1
      fi
    fi
    [ "$path" != / ] || return 0
    path=$(dirname -- "$path")
  done
}

# DIR must be a real folder of the caller's that no one else may write; else says so, ending
# with the advice given.
pg_check_own_dir() {
  local who=$1 dir=$2 advice=$3 owner mode
  if [ -L "$dir" ]; then
    echo "$who: $dir is a symbolic link; $advice" >&2
    return 1
  fi
  if [ ! -d "$dir" ]; then
    echo "$who: $dir is not a folder; $advice" >&2
    return 1
  fi
  read -r owner mode < <(stat -c '%u %a' -- "$dir")
  if [ "$owner" -ne "$(id -u)" ]; then
    echo "$who: $dir belongs to $(stat -c %U -- "$dir"), not to $(id -un); $advice" >&2
    return 1
  fi
  if ((8#$mode & 8#022)); then
    echo "$who: $dir may be written by other users (mode $mode); $advice" >&2
    return 1
  fi
}

# What DIR's mark says: made or taken (by pg-start, see above), older (the empty mark of an
# earlier pg-start, which always removed DIR), none, or foreign (a link, another owner's file,
# other contents).
pg_mark() {
  local mark=$1/.qmz-pg
  if [ ! -e "$mark" ] && [ ! -L "$mark" ]; then
    echo none
  elif [ -L "$mark" ] || [ ! -f "$mark" ] || [ "$(stat -c %u -- "$mark")" -ne "$(id -u)" ]; then
    echo foreign
  else
    case $(head -c 64 -- "$mark") in
      made-dir=yes) echo made ;;
      made-dir=no) echo taken ;;
      "") echo older ;;
      *) echo foreign ;;
    esac
  fi
}

# Writes standard input to FILE, made anew with mode 0600. A link or anything but a regular
# file of that name is refused, and the file is created exclusively (noclobber).
pg_write_file() {
  local file=$1
  if [ -L "$file" ] || { [ -e "$file" ] && [ ! -f "$file" ]; }; then
    echo "pg-start: $file is a link or not a regular file; not writing through it" >&2
    return 1
  fi
  rm -f -- "$file"
  (umask 077 && set -C && cat >"$file")
}

# Makes DIR and marks it, or marks an empty DIR of the caller's; a DIR pg-start marked before is
# taken again as it is. The server's user must reach DIR.
pg_take_dir() {
  local dir=$1 parent advice="give a new folder or an empty one of your own"
  parent=$(dirname -- "$dir")
  # Called as `pg_take_dir || ...`, where set -e does not hold: each step says if it failed.
  pg_check_parents pg-start "$dir" "choose a DIR elsewhere, e.g. under /tmp" || return 1
  if [ -e "$dir" ] || [ -L "$dir" ]; then
    pg_check_own_dir pg-start "$dir" "$advice" || return 1
  else
    mkdir -p -- "$parent" || return 1
  fi
  if ! as_pg test -x "$parent"; then
    echo "pg-start: user $pg_os_user cannot reach $parent (it or a folder above it is closed" \
      "to other users); give a folder that it can reach, e.g. a new one under /tmp" >&2
    return 1
  fi
  if [ ! -e "$dir" ]; then
    mkdir -m 0755 -- "$dir" || return 1
    echo made-dir=yes | pg_write_file "$dir/.qmz-pg"
    return
  fi
  case $(pg_mark "$dir") in
    made | taken) ;;
    none)
      if [ -n "$(ls -A -- "$dir")" ]; then
        echo "pg-start: $dir holds other files; $advice" >&2
        return 1
      fi
      echo made-dir=no | pg_write_file "$dir/.qmz-pg" || return 1
      ;;
    older)
      echo "pg-start: $dir is the folder of an earlier pg-start; ./run.sh pg-stop it first" >&2
      return 1
      ;;
    foreign)
      echo "pg-start: $dir/.qmz-pg was not written by pg-start; $advice" >&2
      return 1
      ;;
  esac
  chmod 0755 -- "$dir"
}

pg_running() {
  [ -f "$1/data/PG_VERSION" ] && [ -f "$1/data/postmaster.pid" ] &&
    as_pg pg_ctl status -D "$1/data" >/dev/null 2>&1
}

pg_port_in_use() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# A port nothing listens on, below the kernel's range for outgoing connections.
pg_free_port() {
  local port _
  for _ in $(seq 100); do
    port=$((20000 + RANDOM % 12000))
    if ! pg_port_in_use "$port"; then
      echo "$port"
      return 0
    fi
  done
  echo "pg-start: found no free port" >&2
  return 1
}

# The server's user's folders, made empty and handed over before anything is in them; initdb
# and the server write their logs in log/ themselves.
pg_init() {
  local dir=$1
  rm -rf -- "$dir/data" "$dir/socket" "$dir/log" "$dir/connection"
  mkdir -m 0700 -- "$dir/data" "$dir/socket" "$dir/log"
  pg_own "$dir/data" "$dir/socket" "$dir/log"
  if ! as_pg_logged "$dir/log/initdb.log" initdb -D "$dir/data" -U postgres -E UTF8 \
    --locale=C.UTF-8 --no-sync --auth-local=trust --auth-host=scram-sha-256; then
    as_pg cat "$dir/log/initdb.log" >&2
    return 1
  fi
  # Trust on the socket: its folder lets only the server's user and root in. Over TCP any user
  # of this machine could connect, so there the role suite alone logs in, with its password.
  as_pg tee "$dir/data/pg_hba.conf" >/dev/null <<'HBA'
# TYPE  DATABASE  USER   ADDRESS       METHOD
local   all       all                  trust
host    suite     suite  127.0.0.1/32  scram-sha-256
HBA
  echo "include 'throwaway.conf'" | as_pg tee -a "$dir/data/postgresql.conf" >/dev/null
}

pg_write_conf() {
  local dir=$1 port=$2
  as_pg tee "$dir/data/throwaway.conf" >/dev/null <<CONF
listen_addresses = '127.0.0.1'
port = $port
unix_socket_directories = '$dir/socket'
unix_socket_permissions = 0700
# pg-stop throws the data away, so it need not outlive a crash of the machine.
fsync = off
synchronous_commit = off
full_page_writes = off
CONF
}

# Starts the server on its last port if that is still free, else on another; tries another
# port when one is taken between the check and the server binding it.
pg_start_server() {
  local dir=$1 log=$1/log/server.log port size said _
  port=$(as_pg sed -n 's/^port = //p' "$dir/data/throwaway.conf" 2>/dev/null || true)
  for _ in 1 2 3 4 5; do
    if [ -z "$port" ] || pg_port_in_use "$port"; then
      port=$(pg_free_port)
    fi
    pg_write_conf "$dir" "$port"
    size=$(as_pg stat -c %s "$log" 2>/dev/null || echo 0)
    # fd 9 (our lock) and 7 (a site's, scripts/site.sh) must not live on in the server.
    if said=$(as_pg pg_ctl start -D "$dir/data" -l "$log" -w -t 60 -s 2>&1 9>&- 7>&-); then
      return 0
    fi
    as_pg tail -c +$((size + 1)) "$log" | grep -q "could not create any TCP/IP sockets" ||
      break
    port=""
  done
  echo "$said" >&2
  echo "pg-start: the server did not start; the end of $log:" >&2
  as_pg tail -20 "$log" >&2
  return 1
}

# The role and database suite (the role owns the database) and citext in it; safe to repeat.
pg_make_suite() {
  local dir=$1 port=$2 password
  if [ -L "$dir/password" ] || [ ! -s "$dir/password" ]; then
    od -An -tx1 -N16 /dev/urandom | tr -d ' \n' | pg_write_file "$dir/password"
  fi
  password=$(cat -- "$dir/password")
  local psql=(psql -X -q -v ON_ERROR_STOP=1 -h "$dir/socket" -p "$port" -U postgres)
  as_pg "${psql[@]}" -d postgres >/dev/null <<SQL
SELECT 'CREATE ROLE suite' WHERE NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'suite') \gexec
ALTER ROLE suite LOGIN PASSWORD '$password';
SELECT 'CREATE DATABASE suite OWNER suite'
  WHERE NOT EXISTS (SELECT FROM pg_database WHERE datname = 'suite') \gexec
\c suite
SELECT 'CREATE EXTENSION IF NOT EXISTS citext'
  FROM pg_available_extensions WHERE name = 'citext' \gexec
SQL
  if [ "$(as_pg "${psql[@]}" -d suite -tAc \
    "SELECT count(*) FROM pg_extension WHERE extname = 'citext'")" != 1 ]; then
    echo "pg-start: the extension citext is not available; the database suite has none" >&2
  fi
}

pg_start() {
  if [ $# -ne 1 ] || [ -z "$1" ]; then
    echo "usage: ./run.sh pg-start DIR" >&2
    return 2
  fi
  local dir port line
  dir=$(pg_abs_dir "$1")
  pg_check_dir "$dir" || return 2
  # Only the connection line goes to standard output.
  setup "${pg_packages[@]}" >&2
  if [ ! -x "$pg_bin/pg_ctl" ]; then
    echo "pg-start: PostgreSQL 15 is not in $pg_bin" >&2
    return 1
  fi
  if ! odbcinst -q -d -n "$pg_driver" >/dev/null 2>&1; then
    echo "pg-start: the ODBC driver \"$pg_driver\" is not registered (odbcinst -q -d)" >&2
    return 1
  fi
  if [ "$(id -u)" -eq 0 ]; then
    pg_make_os_user
    pg_quiet_driver
  fi

  pg_take_dir "$dir" || return 1
  exec 9<"$dir/.qmz-pg"
  flock 9
  if ! pg_running "$dir"; then
    if [ ! -f "$dir/data/PG_VERSION" ]; then
      pg_init "$dir"
    fi
    pg_start_server "$dir"
  fi
  port=$(as_pg sed -n 4p "$dir/data/postmaster.pid")
  if [ ! -s "$dir/connection" ]; then
    pg_make_suite "$dir" "$port"
  fi
  line="odbc:Driver=$pg_driver;Server=127.0.0.1;Port=$port;Database=suite;Uid=suite;Pwd=$(
    cat -- "$dir/password")"
  echo "$line" | pg_write_file "$dir/connection"
  echo "$line"
}

# Processes of a server of DIR: a PostgreSQL server's processes work in its data folder.
pg_dir_pids() {
  local dir=$1 p cwd
  for p in /proc/[0-9]*; do
    cwd=$(readlink "$p/cwd" 2>/dev/null) || continue
    case $cwd in
      "$dir/data" | "$dir/data (deleted)")
        [ "$(cat "$p/comm" 2>/dev/null)" = postgres ] && echo "${p#/proc/}"
        ;;
    esac
  done
  return 0
}

# A server killed without its shutdown (kill -9) leaves its System V shared memory segment; the
# one its postmaster.pid names is removed once nothing is attached to it.
pg_remove_shared_memory() {
  local dir=$1 id attached
  id=$(as_pg sed -n 7p "$dir/data/postmaster.pid" 2>/dev/null | awk '{ print $2 }') || return 0
  [ -n "$id" ] || return 0
  attached=$(awk -v id="$id" '$2 == id { print $7 }' /proc/sysvipc/shm 2>/dev/null)
  [ "$attached" = 0 ] || return 0
  ipcrm -m "$id" 2>/dev/null || as_pg ipcrm -m "$id" 2>/dev/null || true
}

# The folder a stop command (COMMAND, of what MAKER made) was given, checked: sets the caller's
# `dir` and `mark`, and answers 0 to go on with a mark among MARKS, 3 when there is nothing to
# stop, 2 for a wrong call and 1 for a folder to leave as it is, after saying why.
pg_stop_target() {
  local command=$1 maker=$2 marks=$3 left="left as it is"
  shift 3
  if [ $# -ne 1 ] || [ -z "$1" ]; then
    echo "usage: ./run.sh $command DIR" >&2
    return 2
  fi
  dir=$(pg_abs_dir "$1")
  [ -e "$dir" ] || [ -L "$dir" ] || return 3
  pg_check_parents "$command" "$dir" "$left" || return 1
  pg_check_own_dir "$command" "$dir" "$left" || return 1
  mark=$(pg_mark "$dir")
  [[ " $marks " != *" $mark "* ]] || return 0
  if [ "$mark" = none ]; then
    # Nothing of a start's is left in an empty folder.
    [ -n "$(ls -A -- "$dir")" ] || return 3
    echo "$command: $dir was not made by $maker; $left" >&2
  else
    echo "$command: $dir/.qmz-pg was not written by $maker; $left" >&2
  fi
  return 1
}

# Stops the server of DIR and removes what pg-start made there: DIR itself only when pg-start
# made it. A folder pg-start did not mark, or that another user could have changed, is left.
pg_stop() {
  local dir mark pids=() status=0
  pg_stop_target pg-stop pg-start "made taken older" "$@" || status=$?
  [ "$status" -ne 3 ] || return 0
  [ "$status" -eq 0 ] || return "$status"
  exec 9<"$dir/.qmz-pg"
  flock 9
  if [ -x "$pg_bin/pg_ctl" ] && { [ "$(id -u)" -ne 0 ] || id -u "$pg_os_user" >/dev/null 2>&1; } &&
    pg_running "$dir"; then
    # A server killed (kill -9) leaves its pid file: pg_ctl's complaint about it is no news.
    as_pg pg_ctl stop -D "$dir/data" -m fast -w -t 60 -s 2>/dev/null ||
      as_pg pg_ctl stop -D "$dir/data" -m immediate -w -t 30 -s 2>/dev/null || true
  fi
  mapfile -t pids < <(pg_dir_pids "$dir")
  if [ ${#pids[@]} -gt 0 ]; then
    echo "pg-stop: killing what is left of the server: ${pids[*]}" >&2
    kill -KILL "${pids[@]}" 2>/dev/null || true
    sleep 1
  fi
  pg_remove_shared_memory "$dir"
  if [ "$mark" = older ]; then
    rm -rf -- "$dir"
    return 0
  fi
  rm -rf -- "$dir/data" "$dir/socket" "$dir/log"
  rm -f -- "$dir/password" "$dir/connection" "$dir/.qmz-pg"
  [ "$mark" = made ] || return 0
  if ! rmdir -- "$dir" 2>/dev/null; then
    echo "pg-stop: $dir holds files pg-start did not make; left there" >&2
    return 1
  fi
}
