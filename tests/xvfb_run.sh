#!/bin/bash
# Runs a test on its own virtual X display. "xvfb-run -a" takes the first display number without
# a lock file, and the server of the test before may still hold that number's socket: the new
# server then fails and the test cannot connect. Each test starts its search at a number of its
# own and skips numbers whose lock file or socket is still there.
#
# On a heavily loaded machine a fresh server has also been seen to refuse the test's first
# connection; only that failure, named by Qt's own message, is tried once more, on a new
# display, with the server's own messages shown.
set -u
log=$(mktemp)
server_log=$(mktemp)
trap 'rm -f "$log" "$server_log"' EXIT
base=$(( 100 + $(printf '%s' "$*" | cksum | cut -d' ' -f1) % 800 ))
for attempt in 1 2; do
  n=$(( base + (attempt - 1) * 7 ))
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do
    n=$((n + 1))
  done
  : >"$server_log"
  xvfb-run -a -n "$n" -e "$server_log" "$@" 2>&1 | tee "$log"
  code=${PIPESTATUS[0]}
  if [ "$code" -eq 0 ] || ! grep -q "could not connect to display" "$log"; then
    exit "$code"
  fi
  echo "The virtual display :$n refused the connection (attempt $attempt); its server said:"
  cat "$server_log"
done
exit "$code"
