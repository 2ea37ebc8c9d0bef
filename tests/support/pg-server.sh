#!/usr/bin/env bash
# A throw-away PostgreSQL server for the tests: pg-server.sh start STATE | stop STATE
#
# start: initdb into a temporary folder as an unprivileged user (the server refuses root), listen on
# 127.0.0.1 on a free port only, its socket in that folder, make the database "dadudu_test" with
# citext. Writes the server's address to STATE/url; where no server can be had, writes why to
# STATE/skip instead and still succeeds, so the PostgreSQL cases skip with that reason.
# stop: stops the server and removes its folder.
# The tests' commits need not reach the disk: fsync is off unless DADUDU_PG_FSYNC=on (benchmarks).
set -uo pipefail
action=${1:?start or stop}
state=${2:?state folder}
mkdir -p "$state"

skip() {
  echo "$*" > "$state/skip"
  echo "PostgreSQL cases will be skipped: $*"
  exit 0
}

as_owner() {
  if [ "$(id -u)" = 0 ]; then runuser -u "$owner" -- "$@"; else "$@"; fi
}

case "$action" in
start)
  rm -f "$state/url" "$state/skip" "$state/data"
  bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n1)
  [ -x "$bin/initdb" ] || skip "no PostgreSQL server is installed (Debian package postgresql)"
  owner=$(id -un)
  if [ "$(id -u)" = 0 ]; then
    owner=dadudu-test
    id "$owner" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$owner" \
      || skip "cannot create the unprivileged user $owner"
  fi
  data=$(mktemp -d /tmp/dadudu-pg.XXXXXX) || skip "cannot make a temporary folder"
  [ "$(id -u)" = 0 ] && chown "$owner" "$data"
  echo "$data" > "$state/data"
  echo "$owner" > "$state/owner"
  as_owner "$bin/initdb" -D "$data/db" -U dadudu --auth=trust -E UTF8 --locale=C.UTF-8 >"$data/initdb.log" 2>&1 \
    || skip "initdb failed: $(tail -n3 "$data/initdb.log" | tr '\n' ' ')"
  started=
  for attempt in 1 2 3 4 5 6 7 8; do
    port=$(( 20000 + (RANDOM * 32768 + RANDOM) % 40000 ))
    if as_owner "$bin/pg_ctl" -D "$data/db" -l "$data/server.log" -w -t 30 \
         -o "-c listen_addresses=127.0.0.1 -p $port -k $data -c fsync=${DADUDU_PG_FSYNC:-off} -c max_connections=200" start >/dev/null 2>&1; then
      started=1
      break
    fi
  done
  [ -n "$started" ] || skip "the server did not start: $(tail -n3 "$data/server.log" 2>/dev/null | tr '\n' ' ')"
  "$bin/createdb" -h 127.0.0.1 -p "$port" -U dadudu dadudu_test >"$data/createdb.log" 2>&1 \
    || skip "createdb failed: $(cat "$data/createdb.log")"
  "$bin/psql" -q -h 127.0.0.1 -p "$port" -U dadudu -d dadudu_test -c "CREATE EXTENSION IF NOT EXISTS citext" \
    >"$data/citext.log" 2>&1 || skip "the citext extension is missing: $(cat "$data/citext.log")"
  echo "postgresql://dadudu@127.0.0.1:$port/dadudu_test" > "$state/url"
  echo "PostgreSQL test server on 127.0.0.1:$port"
  ;;
stop)
  [ -f "$state/data" ] || exit 0
  data=$(cat "$state/data")
  owner=$(cat "$state/owner" 2>/dev/null || id -un)
  bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n1)
  [ -d "$data/db" ] && as_owner "$bin/pg_ctl" -D "$data/db" -m fast -w stop >/dev/null 2>&1
  rm -rf "$data"
  rm -f "$state/url" "$state/data" "$state/owner"
  ;;
esac
