#!/usr/bin/env bash
# Starts the program in demonstration mode with a private data root, sends SIGTERM a few
# seconds after its start and expects a clean end: exit code 0 and no temporary file left in the data root.
# Under xvfb-run when it is installed, else on the offscreen platform.
set -uo pipefail
program=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/home" "$root/config" "$root/run"
chmod 700 "$root/run"
export TERVAN_HOME=$root/home XDG_CONFIG_HOME=$root/config XDG_RUNTIME_DIR=$root/run
# An autosave that asks for four channels in four quarters (and turns the autosave on); its
# extra key must be gone once the program has written the file anew.
mkdir -p "$root/home/State"
autosave=$root/home/State/Autosave.cfg
printf '[Network analyzer]\r\nChannelLayout=5\r\nChannelCount=4\r\nLeftOverFromTheScript=1\r\n' >"$autosave"
if command -v xvfb-run >/dev/null 2>&1; then
  xvfb-run -a -s '-screen 0 1280x800x24' "$program" DemoMode &
else
  QT_QPA_PLATFORM=offscreen "$program" DemoMode &
fi
runner=$!
# The delayed start takes the data folder's lock in the private runtime folder; by then the
# signal handlers are in place. A loaded machine may take long to get there.
for _ in $(seq 1 600); do
  compgen -G "$root/run/tervan/*.lock" >/dev/null && break
  sleep 0.1
done
sleep 3
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
text=$(iconv -f UTF-16 -t UTF-8 "$autosave" 2>/dev/null | tr -d '\r' || true)
for want in '[Network analyzer]' 'ChannelLayout=5' 'ChannelCount=4'; do
  if ! grep -qxF "$want" <<<"$text"; then
    echo "the autosave written at the end lacks $want"
    exit 1
  fi
done
if grep -q LeftOverFromTheScript <<<"$text"; then
  echo "the autosave was not written anew"
  exit 1
fi
echo "clean end after SIGTERM"
