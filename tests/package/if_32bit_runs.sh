#!/usr/bin/env bash
# Runs the command given only where this machine runs 32-bit programs under Wine's 32-bit
# loader: natively, or under emulation when the whole 32-bit suite was asked for
# (NTF_I686_FULL=1: each emulated process takes about a minute to start). Otherwise it exits
# 77 (skipped), saying why.
#   if_32bit_runs.sh COMMAND...
here=$(dirname "$(readlink -f "$0")")
bash "$here/../../tools/wine32-check.sh"
status=$?
[ $status = 0 ] || exit $status
if [ "$(bash "$here/../../tools/wine32-check.sh" --how)" = emulated ] && [ "${NTF_I686_FULL:-}" != 1 ]; then
  echo "skipped: 32-bit code runs under emulation here: run \`tools/test.sh --i686-full\` for the whole suite"
  exit 77
fi
# The programs scale their waits for a 32-bit child by this.
[ "$(bash "$here/../../tools/wine32-check.sh" --how)" = emulated ] && export NTF_EMULATED=1
exec "$@"
