#!/usr/bin/env bash
# Runs the command given only where this machine runs 32-bit programs under Wine's 32-bit
# loader; where the kernel refuses them it exits 77 (skipped), as tools/wine32-check.sh says.
#   if_32bit_runs.sh COMMAND...
here=$(dirname "$(readlink -f "$0")")
bash "$here/../../tools/wine32-check.sh"
status=$?
[ $status = 0 ] || exit $status
exec "$@"
