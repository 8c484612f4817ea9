#!/usr/bin/env bash
# Starts or stops the MariaDB server that the tests of the MariaDB lane share.
#   mariadb_lane.sh start FOLDER SIMULATOR   runs SIMULATOR --mariadb with its server in FOLDER/server
#   mariadb_lane.sh stop FOLDER              stops that simulator (and with it the server), removes FOLDER
# The tests reach the server on FOLDER/server/mysqld.sock.
set -euo pipefail
action=${1:?start or stop}
folder=${2:?folder}

stop() {
  if [ -f "$folder/simulator.pid" ]; then
    local pid
    pid=$(cat "$folder/simulator.pid")
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 1 300); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.2
    done
    kill -KILL "$pid" 2>/dev/null || true
  fi
  # The server ends with the simulator; a server left by a simulator that was killed ends here.
  if [ -f "$folder/server/mariadbd.pid" ]; then
    local server
    server=$(cat "$folder/server/mariadbd.pid")
    if kill -0 "$server" 2>/dev/null && tr '\0' ' ' <"/proc/$server/cmdline" | grep -q -- "--datadir=$folder/server/data"; then
      kill -TERM "$server" 2>/dev/null || true
      for _ in $(seq 1 300); do
        kill -0 "$server" 2>/dev/null || break
        sleep 0.2
      done
    fi
  fi
  rm -rf "$folder"
}

# What the simulator and its server wrote, for a start that failed.
report() {
  local log
  for log in "$folder/simulator.out" "$folder/simulator.log" "$folder/server/install.log" "$folder/server/mariadbd.log"; do
    [ -f "$log" ] && { echo "--- $log" >&2; tail -n 40 "$log" >&2; }
  done
  return 0
}

case "$action" in
start)
  simulator=${3:?simulator executable}
  stop
  mkdir -p "$folder"
  setsid "$simulator" --mariadb --db "$folder/server" --port 0 --orders 5 \
    >"$folder/simulator.out" 2>"$folder/simulator.log" </dev/null &
  echo $! >"$folder/simulator.pid"
  for _ in $(seq 1 900); do
    if grep -q '^listening on' "$folder/simulator.out" 2>/dev/null; then
      echo "MariaDB lane server on $folder/server/mysqld.sock"
      exit 0
    fi
    if ! kill -0 "$(cat "$folder/simulator.pid")" 2>/dev/null; then
      echo "the simulator stopped while starting its MariaDB server:" >&2
      report
      exit 1
    fi
    sleep 0.2
  done
  echo "the MariaDB server did not start in time" >&2
  report
  stop
  exit 1
  ;;
stop) stop ;;
*)
  echo "usage: $0 start FOLDER SIMULATOR | stop FOLDER" >&2
  exit 2
  ;;
esac
