#!/usr/bin/env bash
# CPU load of the running program: starts `tervan DemoMode` with a private data root whose
# autosave asks for four channels in four quarters, lets the connect sequence finish and the
# channels sweep, then reads the process's CPU time over 10 s of continuous sweeping and prints
# it as a percentage of one core, with the platform used (xvfb-run when installed, else the
# offscreen platform), split into the main thread (the user interface and the sweep engine's
# handlers) and the other threads (the link's reader and writer, which also carry the emulator;
# under xcb also Qt's event reader).
#
#   bench/demo-cpu.sh [path/to/tervan]      (default: build/tervan)
# WARMUP (seconds, default 8): the emulator's rediscovery and the instrument's settling time
# take about 5 s before the first sweep; the measurement starts 3 s after that.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-${TERVAN_BUILD_DIR:-$top/build}/tervan}
warmup=${WARMUP:-8}
window=10
[ -x "$program" ] || { echo "no program at $program (build first, or pass its path)"; exit 1; }

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/home/State" "$root/config" "$root/run"
chmod 700 "$root/run"
export TERVAN_HOME=$root/home XDG_CONFIG_HOME=$root/config XDG_RUNTIME_DIR=$root/run
printf '[Network analyzer]\r\nChannelLayout=5\r\nChannelCount=4\r\n' >"$root/home/State/Autosave.cfg"

if command -v xvfb-run >/dev/null 2>&1; then
  platform="xcb under xvfb-run"
  xvfb-run -a -s '-screen 0 1280x800x24' "$program" DemoMode >/dev/null 2>&1 &
else
  platform="offscreen"
  QT_QPA_PLATFORM=offscreen "$program" DemoMode >/dev/null 2>&1 &
fi
runner=$!
sleep 1
pid=$(pgrep -n -f -P "$runner" "$program" || true)
[ -n "$pid" ] || pid=$runner

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# The main thread's own ticks (its task entry; the process entry counts every thread).
ui_ticks() { awk '{ print $14 + $15 }' "/proc/$1/task/$1/stat"; }

sleep "$warmup"
if ! kill -0 "$pid" 2>/dev/null; then
  echo "the program ended early"
  exit 1
fi
hz=$(getconf CLK_TCK)
# Every thread's name and ticks, to give each thread's share (the link's threads carry the
# emulator's lock-step, the main thread the user interface and the sweep engine).
thread_ticks() {
  for t in /proc/"$1"/task/*; do
    printf '%s %s %s\n' "${t##*/}" "$(tr ' ' '_' <"$t/comm")" "$(awk '{ print $14 + $15 }' "$t/stat")"
  done 2>/dev/null
}
threads0=$(thread_ticks "$pid")
t0=$(cpu_ticks "$pid")
u0=$(ui_ticks "$pid")
start=$(date +%s.%N)
sleep "$window"
t1=$(cpu_ticks "$pid")
u1=$(ui_ticks "$pid")
threads1=$(thread_ticks "$pid")
end=$(date +%s.%N)
kill -TERM "$pid"
wait "$runner"
awk -v a="$t0" -v b="$t1" -v ua="$u0" -v ub="$u1" -v hz="$hz" -v s="$start" -v e="$end" -v p="$platform" \
  'BEGIN { d = (e - s) * hz
           printf "demo-cpu: %.1f %% of one core over %.1f s of sweeping four channels (%s)\n", 100 * (b - a) / d, e - s, p
           printf "demo-cpu: main thread (user interface, sweep handlers) %.1f %%, other threads %.1f %%\n", 100 * (ub - ua) / d, 100 * ((b - a) - (ub - ua)) / d }'
awk -v hz="$hz" -v s="$start" -v e="$end" -v main="$pid" 'NR == FNR { before[$1] = $3; next }
  { d = (e - s) * hz; share = 100 * ($3 - before[$1]) / d
    if (share >= 0.05) printf "demo-cpu: thread %s (%s%s) %.1f %%\n", $1, $2, $1 == main ? ", main" : "", share }' \
  <(printf '%s\n' "$threads0") <(printf '%s\n' "$threads1")
