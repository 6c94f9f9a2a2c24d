#!/usr/bin/env bash
# One PostgreSQL server for a whole ctest run (a fixture): "start STATE" makes a cluster in
# a fresh folder under /tmp, starts it on loopback on a free port and writes its URL,
# folder and binaries into STATE; "stop STATE" stops that server (pg_ctl, by the PID in its
# own data folder) and removes the folder. Where PostgreSQL is not installed or will not
# start, STATE says why ("fehlt: …") and the tests skip with that line.
set -uo pipefail
what="${1:?start|stop}"
state="${2:?Zustandsdatei}"

as_server_user() {
  if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

if [ "$what" = stop ]; then
  [ -f "$state" ] || exit 0
  dir="$(sed -n 2p "$state")"
  bin="$(sed -n 3p "$state")"
  if [ -n "$dir" ] && [ -d "$dir/data" ]; then
    as_server_user "$bin/pg_ctl" -D "$dir/data" -w -m fast stop >/dev/null
    rm -rf "$dir"
  fi
  rm -f "$state"
  exit 0
fi

bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ] || [ ! -x "$bin/pg_ctl" ]; then
  echo "fehlt: PostgreSQL ist nicht installiert (kein initdb unter /usr/lib/postgresql/*/bin)" >"$state"
  exit 0
fi
dir="$(mktemp -d /tmp/kub-pg-XXXXXX)"
[ "$(id -u)" = 0 ] && chown postgres "$dir"
if ! as_server_user "$bin/initdb" -D "$dir/data" -A trust -U postgres >"$dir/initdb.log" 2>&1; then
  echo "fehlt: initdb fehlgeschlagen: $(tail -n 3 "$dir/initdb.log" | tr '\n' ' ')" >"$state"
  rm -rf "$dir"
  exit 0
fi
# A port nobody holds right now; a server that loses the race is tried on another.
for attempt in 1 2 3; do
  port="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')"
  if as_server_user "$bin/pg_ctl" -D "$dir/data" -w -t 60 -l "$dir/log" \
       -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=200" start >/dev/null; then
    printf 'postgresql://postgres@127.0.0.1:%s/\n%s\n%s\n' "$port" "$dir" "$bin" >"$state"
    exit 0
  fi
done
echo "fehlt: PostgreSQL startet nicht: $(tail -n 3 "$dir/log" | tr '\n' ' ')" >"$state"
rm -rf "$dir"
exit 0
