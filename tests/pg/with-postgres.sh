#!/usr/bin/env bash
# Runs a command with a throw-away PostgreSQL cluster:
#   tests/pg/with-postgres.sh ctest --test-dir build -j2 --output-on-failure
# The cluster is created with initdb in a temporary folder, owned by an
# unprivileged user (the system user "hptest", created when run as root; else
# the calling user), listens on a free port of 127.0.0.1 only (trust
# authentication: nothing but this machine can reach it, and it lives only as
# long as the command) and keeps its sockets in the temporary folder. The
# command finds the database in HP_TEST_POSTGRES_URL. Whatever the command's
# outcome, the cluster is stopped and the folder removed; the command's exit
# code is passed through.
set -euo pipefail

if [ $# -eq 0 ]; then
  echo "usage: $0 COMMAND [ARGS...]" >&2
  exit 2
fi

pg_bin() {
  local d
  for d in ${PG_BIN:-} $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r); do
    [ -x "$d/initdb" ] && { echo "$d"; return; }
  done
  command -v initdb >/dev/null && { dirname "$(command -v initdb)"; return; }
  echo "with-postgres: no PostgreSQL server programs found (initdb); install the postgresql package" >&2
  exit 1
}
BIN=$(pg_bin)

DB_USER=hptest
if [ "$(id -u)" -eq 0 ]; then
  # The server refuses to run as root.
  id -u "$DB_USER" >/dev/null 2>&1 ||
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$DB_USER"
  as_db() { (cd "$TMP" && runuser -u "$DB_USER" -- "$@"); }
  TMP=$(mktemp -d /tmp/hp-pg.XXXXXX)
  chown "$DB_USER" "$TMP"
else
  as_db() { "$@"; }
  TMP=$(mktemp -d "${TMPDIR:-/tmp}/hp-pg.XXXXXX")
fi
DATA=$TMP/data
LOG=$TMP/server.log
PORT=

cleanup() {
  local rc=$?
  trap - EXIT INT TERM
  if [ -n "$PORT" ] && [ -f "$DATA/postmaster.pid" ]; then
    as_db "$BIN/pg_ctl" -D "$DATA" -m fast -w -t 30 stop >/dev/null 2>&1 ||
      as_db "$BIN/pg_ctl" -D "$DATA" -m immediate -w -t 30 stop >/dev/null 2>&1 || true
  fi
  rm -rf "$TMP"
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

as_db "$BIN/initdb" -D "$DATA" -U "$DB_USER" --auth=trust --encoding=UTF8 --locale=C.UTF-8 >"$TMP/initdb.log" 2>&1 ||
  { cat "$TMP/initdb.log" >&2; exit 1; }

port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

# A free port: pick at random, skip those something listens on, and try the
# next one should another program take it between the test and the start.
started=
for _ in $(seq 1 20); do
  PORT=$((20000 + RANDOM % 40000))
  port_in_use "$PORT" && continue
  # Durability is of no use to a cluster that is deleted afterwards.
  if as_db "$BIN/pg_ctl" -D "$DATA" -l "$LOG" -w -t 60 \
      -o "-c listen_addresses=127.0.0.1 -c port=$PORT -c unix_socket_directories=$TMP -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
      start >/dev/null 2>&1; then
    started=1
    break
  fi
done
if [ -z "$started" ]; then
  echo "with-postgres: the server did not start; its log:" >&2
  cat "$LOG" >&2 || true
  PORT=
  exit 1
fi

as_db "$BIN/createdb" -h 127.0.0.1 -p "$PORT" -U "$DB_USER" "$DB_USER"
export HP_TEST_POSTGRES_URL="postgresql://$DB_USER@127.0.0.1:$PORT/$DB_USER"
echo "with-postgres: PostgreSQL $("$BIN/postgres" --version | awk '{print $3}') at $HP_TEST_POSTGRES_URL"

set +e
"$@"
rc=$?
set -e
exit "$rc"
