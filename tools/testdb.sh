#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests and the demo, on 127.0.0.1 only.
#
#   testdb.sh start DIR PORT [SQLFILE...]  initdb into a private folder, start the server, create
#                                         role dba and database hotel with the tables the library
#                                         reads, load the extra SQL files; write DIR/odbc.ini
#   testdb.sh stop DIR                     stop the server and delete the cluster
#   testdb.sh halt DIR | resume DIR        stop / start the server, keeping the data
#   testdb.sh psql DIR [ARGS...]           psql on database hotel as dba
#   testdb.sh serve DIR                    (started by start) carry out halt and resume requests
#                                         that a test program writes as files: DIR/request-halt or
#                                         DIR/request-resume; the exit status lands in DIR/done-halt
#                                         or DIR/done-resume. Programs under Wine, which cannot run
#                                         this script reliably themselves, use that.
#
# DIR holds the state (port, data folder, server log, odbc.ini). The server runs as the
# `postgres` user when started by root, since initdb refuses to run as root.
set -euo pipefail

cmd=${1:?usage: testdb.sh start|stop|halt|resume|psql DIR ...}
dir=${2:?DIR missing}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
pgbin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)

as_pg() {
  if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

pgctl() {
  as_pg "$pgbin/pg_ctl" -D "$(cat "$dir/datadir")" -l "$dir/server.log" "$@"
}

psql_hotel() {
  "$pgbin/psql" -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p "$(cat "$dir/port")" -U dba -d hotel "$@"
}

case $cmd in
start)
  port=${3:?PORT missing}
  shift 3
  "$0" stop "$dir" >/dev/null 2>&1 || true
  mkdir -p "$dir"
  data=$(mktemp -d /tmp/qx-pgdata.XXXXXX)
  [ "$(id -u)" = 0 ] && chown postgres: "$data"
  echo "$data" >"$dir/datadir"
  echo "$port" >"$dir/port"
  : >"$dir/server.log"
  [ "$(id -u)" = 0 ] && chown postgres: "$dir/server.log"
  as_pg "$pgbin/initdb" -D "$data" -A trust -U postgres -E UTF8 --locale=C.UTF-8 >/dev/null
  pgctl -w -o "-p $port -c listen_addresses=127.0.0.1 -c unix_socket_directories='' -c fsync=off -c log_statement=all -c log_line_prefix='%m [%p] '" start >/dev/null
  "$pgbin/psql" -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p "$port" -U postgres -d postgres \
    -c "create role dba login superuser password 'KRe7tmqB'" \
    -c "create database hotel owner dba"
  psql_hotel -f "$here/../tests/db/schema.sql"
  for f in "$@"; do psql_hotel -f "$f"; done
  cat >"$dir/odbc.ini" <<INI
[dinoraasa]
Driver=/usr/lib/x86_64-linux-gnu/odbc/psqlodbca.so
Servername=127.0.0.1
Port=$port
Database=hotel
ConnSettings=set client_encoding to GBK

[qxtest]
Driver=/usr/lib/x86_64-linux-gnu/odbc/psqlodbca.so
Servername=127.0.0.1
Port=$port
Database=hotel
ConnSettings=set client_encoding to GBK
INI
  # The request server keeps none of the caller's descriptors: a test
  # runner waits for its pipes to close.
  nohup "$0" serve "$dir" </dev/null >/dev/null 2>&1 &
  echo $! >"$dir/serve.pid"
  echo "testdb: PostgreSQL on 127.0.0.1:$port (data in $data)"
  ;;
serve)
  while [ -f "$dir/datadir" ]; do
    for request in halt resume; do
      if [ -e "$dir/request-$request" ]; then
        rm -f "$dir/request-$request" "$dir/done-$request"
        status=0
        "$0" "$request" "$dir" >>"$dir/requests.log" 2>&1 || status=$?
        echo "$status" >"$dir/done-$request.tmp"
        mv "$dir/done-$request.tmp" "$dir/done-$request"
      fi
    done
    sleep 0.1
  done
  ;;
stop)
  if [ -f "$dir/serve.pid" ]; then
    kill "$(cat "$dir/serve.pid")" 2>/dev/null || true
    rm -f "$dir/serve.pid"
  fi
  if [ -f "$dir/datadir" ]; then
    data=$(cat "$dir/datadir")
    [ -f "$data/postmaster.pid" ] && pgctl -m immediate -w stop >/dev/null 2>&1 || true
    rm -rf "$data" "$dir/datadir"
  fi
  ;;
halt)
  pgctl -m fast -w stop >/dev/null
  ;;
resume)
  port=$(cat "$dir/port")
  pgctl -w -o "-p $port -c listen_addresses=127.0.0.1 -c unix_socket_directories='' -c fsync=off -c log_statement=all -c log_line_prefix='%m [%p] '" start >/dev/null
  ;;
psql)
  shift 2
  psql_hotel "$@"
  ;;
*)
  echo "testdb.sh: unknown command $cmd" >&2
  exit 2
  ;;
esac
