#!/usr/bin/env bash
# The program started for automation, driven by pyvisa over TCP; closing the connection ends the
# program with exit code 0 and a fresh autosave. Skipped (77) where Debian's python3 lacks
# pyvisa_py.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/pyvisa_program.sh"
start_program "$1"
if ! /usr/bin/python3 "$here/pyvisa_spine.py" "$port"; then
  echo "the pyvisa client failed"
  exit 1
fi
check_end
echo "pyvisa drove the program and its leaving ended it"
