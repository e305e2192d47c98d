#!/bin/sh
# Runs a test on its own virtual X display. "xvfb-run -a" takes the first display number without
# a lock file, and the server of the test before may still hold that number's socket: the new
# server then fails and the test cannot connect. Each test starts its search at a number of its
# own and skips numbers whose lock file or socket is still there.
n=$(( 100 + $(printf '%s' "$*" | cksum | cut -d' ' -f1) % 800 ))
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do
  n=$((n + 1))
done
exec xvfb-run -a -n "$n" "$@"
