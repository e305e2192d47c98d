#!/usr/bin/env bash
# Starts the program in demonstration mode with a private data root, sends SIGTERM after five
# seconds and expects a clean end: exit code 0 and no temporary file left in the data root.
# Under xvfb-run when it is installed, else on the offscreen platform.
set -uo pipefail
program=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/home" "$root/config" "$root/run"
chmod 700 "$root/run"
export TERVAN_HOME=$root/home XDG_CONFIG_HOME=$root/config XDG_RUNTIME_DIR=$root/run
if command -v xvfb-run >/dev/null 2>&1; then
  xvfb-run -a -s '-screen 0 1280x800x24' "$program" DemoMode &
else
  QT_QPA_PLATFORM=offscreen "$program" DemoMode &
fi
runner=$!
sleep 5
# The program itself (xvfb-run's child when it runs under it).
pid=$(pgrep -n -f -P "$runner" "$program" || true)
[ -n "$pid" ] || pid=$runner
kill -TERM "$pid"
wait "$runner"
code=$?
if [ "$code" -ne 0 ]; then
  echo "exit code $code after SIGTERM"
  exit 1
fi
left=$(find "$TERVAN_HOME" -name '*.tmp-*' | head -n 1)
if [ -n "$left" ]; then
  echo "temporary file left: $left"
  exit 1
fi
echo "clean end after SIGTERM"
