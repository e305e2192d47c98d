#!/usr/bin/env bash
# Runs the program in demonstration mode on a private X server and takes the server away under
# it while the sweep runs. The X11 platform then calls exit(1) from inside the event loop, with
# the link's threads still reading through the demonstration back end; the program must end
# through that exit, not on a signal. The outcome has depended on where the reader was at the
# moment, so the run is repeated. Exit code 77 (skipped) without Xvfb.
set -uo pipefail
program=$1
runs=${2:-5}
command -v Xvfb >/dev/null 2>&1 || { echo "Xvfb is not installed"; exit 77; }
ulimit -c 0
root=$(mktemp -d)
server=""
pid=""
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  [ -n "$server" ] && kill -KILL "$server" 2>/dev/null
  rm -rf "$root"
}
trap cleanup EXIT

# Waits up to $2 tenths of a second for process $1 to end; false when it still runs.
ended_within() {
  for _ in $(seq 1 "$2"); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.1
  done
  ! kill -0 "$1" 2>/dev/null
}

for run in $(seq 1 "$runs"); do
  dir=$root/$run
  mkdir -p "$dir/home" "$dir/config" "$dir/run"
  chmod 700 "$dir/run"
  # The server picks a free display number itself and tells it through the descriptor.
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$dir/display" 2>"$dir/server.log" &
  server=$!
  for _ in $(seq 1 100); do
    [ -s "$dir/display" ] && break
    sleep 0.1
  done
  display=$(tr -d '[:space:]' <"$dir/display")
  if [ -z "$display" ]; then
    echo "run $run: the X server did not start"
    cat "$dir/server.log"
    exit 1
  fi
  (cd "$dir/home" && HOME=$dir/home TERVAN_HOME=$dir/home XDG_CONFIG_HOME=$dir/config XDG_RUNTIME_DIR=$dir/run \
    DISPLAY=:$display QT_QPA_PLATFORM=xcb exec "$program" DemoMode) 2>"$dir/program.log" &
  pid=$!
  # The delayed start takes the data folder's lock; the emulator's firmware upload and the
  # reconnect that starts the link's threads follow within about a second.
  for _ in $(seq 1 600); do
    compgen -G "$dir/run/tervan/*.lock" >/dev/null && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  sleep 2
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"
    echo "run $run: the program ended (code $?) before its display went away"
    cat "$dir/program.log"
    exit 1
  fi
  kill -TERM "$server"
  wait "$server" 2>/dev/null
  server=""
  if ! ended_within "$pid" 300; then
    echo "run $run: the program still runs 30 s after its display went away"
    exit 1
  fi
  wait "$pid"
  code=$?
  pid=""
  if [ "$code" -ge 128 ]; then
    echo "run $run: the program ended on signal $((code - 128)) after its display went away"
    cat "$dir/program.log"
    exit 1
  fi
  if grep -q "Sanitizer" "$dir/program.log"; then
    echo "run $run: the sanitizer reported an error (exit code $code)"
    cat "$dir/program.log"
    exit 1
  fi
  echo "run $run: exit code $code"
done
echo "every run ended through exit, none on a signal"
