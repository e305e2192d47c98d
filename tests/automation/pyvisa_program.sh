# Sourced by the pyvisa scripts: the program started for automation ("/Automation",
# demonstration mode, offscreen, private folders, a free port) and its end checked. Exits 77
# where Debian's python3 lacks pyvisa_py.
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

# Starts the program and sets port to the one it listens on.
start_program() {
  "$1" DemoMode /Automation 2>"$root/stderr" &
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
}

# The last client gone, the program ends by itself with exit code 0 and an autosave written
# anew that holds every line given.
check_end() {
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "the program still runs 10 s after the last client left"
    exit 1
  fi
  wait "$pid"
  local code=$?
  pid=
  if [ "$code" -ne 0 ]; then
    echo "exit code $code"
    exit 1
  fi
  local text
  text=$(iconv -f UTF-16 -t UTF-8 "$autosave" 2>/dev/null | tr -d '\r' || true)
  for want in '[Network analyzer]' "$@"; do
    if ! grep -qxF "$want" <<<"$text"; then
      echo "the autosave written at the end lacks $want"
      exit 1
    fi
  done
  if grep -q LeftOverFromTheScript <<<"$text"; then
    echo "the autosave was not written anew"
    exit 1
  fi
}
