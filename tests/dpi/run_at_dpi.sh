#!/usr/bin/env bash
# Runs a test program in the prefix as if on a display of DPI dots per inch: Wine reads
# HKCU\Control Panel\Desktop LogPixels when a server session starts, so the server is restarted
# around the run, and the prefix is put back to its earlier setting afterwards.
#   run_at_dpi.sh PREFIX DPI PROGRAM ARGS...
set -u
tools=$(dirname "$(readlink -f "$0")")/../../tools
prefix=$1; dpi=$2; shift 2
prefix_sh=(bash "$tools/wine-prefix.sh")
key='HKCU\Control Panel\Desktop'

reg() { "${prefix_sh[@]}" reg "$prefix" "$@"; }
restart() { "${prefix_sh[@]}" restart "$prefix"; }
set_dpi() { reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null; }

# The value as it was (absent in a fresh prefix: 96).
before=$(reg query "$key" /v LogPixels | sed -n 's/.*REG_DWORD[[:space:]]*0x\([0-9a-fA-F]*\).*/\1/p')
set_dpi "$dpi" && restart || { echo "could not set $dpi DPI" >&2; exit 1; }
NTF_EXPECT_DPI=$dpi "${prefix_sh[@]}" run "$prefix" "$@"
status=$?
if [ -n "$before" ]; then
  set_dpi "$((16#$before))"
else
  reg delete "$key" /v LogPixels /f >/dev/null
fi
restart
exit $status
