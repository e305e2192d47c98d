#!/usr/bin/env bash
# The program started for automation; pyvisa drives one member of every node family over TCP.
# Closing the connection ends the program with exit code 0 and an autosave written anew, holding
# the layout the script chose. Skipped (77) where Debian's python3 lacks pyvisa_py.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/pyvisa_program.sh"
start_program "$1"
# A family that fails does not stop the rest: the program's end is checked all the same.
failed=0
if ! /usr/bin/python3 "$here/pyvisa_tree.py" "$port"; then
  echo "the pyvisa client failed"
  failed=1
fi
check_end 'ChannelLayout=3'
[ "$failed" -eq 0 ] || exit 1
echo "pyvisa drove every node family and the program's leaving wrote the autosave"
