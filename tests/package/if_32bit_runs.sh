#!/usr/bin/env bash
# Runs the command given only where 32-bit Windows programs run in the test prefix (Wine's
# 32-bit loader on a kernel that executes 32-bit code); elsewhere it exits 77: skipped.
#   if_32bit_runs.sh PREFIX COMMAND...
prefix=${1:?prefix}; shift
loader=/usr/lib/wine/wine
if [ ! -x "$loader" ]; then
  echo "skipped: no 32-bit Wine loader ($loader)"; exit 77
fi
# The prefix's 32-bit command interpreter under the 32-bit loader, asked for a status of its
# own. (The 64-bit loader does not start 32-bit programs given to it directly; the test
# program's CreateProcess picks the 32-bit loader for them.)
WINEPREFIX=$(readlink -m "$prefix") WINEDEBUG=-all timeout -k 10 120 "$loader" 'C:\windows\syswow64\cmd.exe' /c exit 7 \
  </dev/null >/dev/null 2>&1
status=$?
if [ $status -ne 7 ]; then
  echo "skipped: this machine does not run 32-bit Windows programs (a 32-bit cmd.exe ended with $status, not 7)"
  exit 77
fi
exec "$@"
