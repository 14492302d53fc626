#!/bin/sh
# A PostgreSQL server of its own for the results tests, in a temporary
# folder, listening on a Unix socket there only, run by an unprivileged user
# (the server refuses root).
#   postgres_server.sh start URL_FILE   writes the server's URL to URL_FILE,
#                                       or "skip: why" without the server
#   postgres_server.sh halt URL_FILE    stops it and keeps its data (a server
#   postgres_server.sh resume URL_FILE  gone mid-campaign), starts it again
#   postgres_server.sh stop URL_FILE
set -u
action=$1 url_file=$2
# The newest server installed, unless VANTREL_PG_BIN says which.
bin=${VANTREL_PG_BIN:-$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)}
bin=${bin:-/usr/lib/postgresql/bin}

as_server_user() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u nobody -- "$@"; else "$@"; fi
}

server_dir() {
  url=$(cat "$url_file" 2>/dev/null) || exit 0
  case $url in skip:*) rm -f "$url_file"; exit 0 ;; esac
  dir=${url#*host=}; dir=${dir%%&*}
}

run_server() {
  as_server_user "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
    -o "-c listen_addresses='' -k $dir -c fsync=off -c max_connections=60" start > /dev/null ||
    { cat "$dir/server.log"; exit 1; }
}

case $action in
start)
  if [ ! -x "$bin/initdb" ] || [ ! -x "$bin/pg_ctl" ]; then
    echo "skip: no PostgreSQL server in $bin" > "$url_file"
    echo "no PostgreSQL server in $bin: the server's tests are skipped"
    exit 0
  fi
  dir=$(mktemp -d /tmp/vantrel-pg.XXXXXX) || exit 1
  [ "$(id -u)" -eq 0 ] && chown nobody "$dir"
  chmod 755 "$dir"
  as_server_user "$bin/initdb" -D "$dir/data" -A trust -U vantrel -E UTF8 --no-sync > "$dir/initdb.log" 2>&1 ||
    { cat "$dir/initdb.log"; exit 1; }
  run_server
  echo "postgresql:///postgres?host=$dir&user=vantrel" > "$url_file"
  echo "PostgreSQL server in $dir"
  ;;
halt)
  server_dir
  as_server_user "$bin/pg_ctl" -D "$dir/data" -m fast -w stop > /dev/null
  ;;
resume)
  server_dir
  run_server
  ;;
stop)
  server_dir
  as_server_user "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop > /dev/null 2>&1
  rm -rf "$dir" "$url_file"
  ;;
esac
