#!/usr/bin/env bash
# The program started for automation ("/Automation", demonstration mode, offscreen, private
# folders, a free port); pyvisa drives one member of every node family over TCP. Closing the
# connection ends the program with exit code 0 and an autosave written anew, holding the layout
# the script chose. Skipped (77) where Debian's python3 lacks pyvisa_py.
set -uo pipefail
program=$1
here=$(cd "$(dirname "$0")" && pwd)
/usr/bin/python3 -c 'import pyvisa, pyvisa_py' 2>/dev/null || { echo "pyvisa_py is not installed"; exit 77; }
root=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$root"' EXIT
mkdir -p "$root/home/State" "$root/config/tervan" "$root/run"
chmod 700 "$root/run"
export TERVAN_HOME=$root/home XDG_CONFIG_HOME=$root/config XDG_RUNTIME_DIR=$root/run QT_QPA_PLATFORM=offscreen
printf 'ScpiPort=0\n' >"$root/config/tervan/tervan.ini"
# An autosave with a key of our own turns the autosave on; the end writes it anew without it.
autosave=$root/home/State/Autosave.cfg
printf '[Network analyzer]\r\nChannelCount=1\r\nLeftOverFromTheScript=1\r\n' >"$autosave"
"$program" DemoMode /Automation 2>"$root/stderr" &
pid=$!
port=
for _ in $(seq 1 300); do
  port=$(sed -n 's/^SCPI server listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$root/stderr" | head -n 1)
  [ -n "$port" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "no listening line on standard error:"
  cat "$root/stderr"
  exit 1
fi
# A family that fails does not stop the rest: the program's end is checked all the same.
failed=0
if ! /usr/bin/python3 "$here/pyvisa_tree.py" "$port"; then
  echo "the pyvisa client failed"
  failed=1
fi
# The last client gone, the program ends by itself.
for _ in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "the program still runs 10 s after the last client left"
  exit 1
fi
wait "$pid"
code=$?
pid=
if [ "$code" -ne 0 ]; then
  echo "exit code $code"
  exit 1
fi
text=$(iconv -f UTF-16 -t UTF-8 "$autosave" 2>/dev/null | tr -d '\r' || true)
for want in '[Network analyzer]' 'ChannelLayout=3'; do
  if ! grep -qxF "$want" <<<"$text"; then
    echo "the autosave written at the end lacks $want"
    exit 1
  fi
done
if grep -q LeftOverFromTheScript <<<"$text"; then
  echo "the autosave was not written anew"
  exit 1
fi
[ "$failed" -eq 0 ] || exit 1
echo "pyvisa drove every node family and the program's leaving wrote the autosave"
