#!/usr/bin/env bash
# The whole suite: installs what is missing, builds both DLLs with their test programs, and runs
# each build's tests on a virtual X display: the static checks of the DLL and every behavioural
# test, the 64-bit build under wine64, the shipped 32-bit build under Wine's 32-bit loader.
# Where 32-bit code runs only under emulation (about a minute to start each process), the
# 32-bit build runs its emulated suite, a few processes that drive the shipped DLL through every
# area, and reports the rest as skipped; where the kernel refuses 32-bit programs and no
# emulator can be set up, its behavioural tests are reported as skipped.
#   tools/test.sh [--i686-full] [CTEST ARGS...]
# --i686-full runs the whole 32-bit suite under emulation too (about an hour), and only that.
# Other arguments go to the ctest runs (e.g. -R paint).
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
. tools/lib.sh
full=0
args=()
for a in "$@"; do
  case "$a" in --i686-full) full=1 ;; *) args+=("$a") ;; esac
done
tools/setup.sh

jobs=$(nproc)
cmake --preset i686 >/dev/null
cmake --build --preset i686 -j "$jobs"
cmake --preset x86_64 >/dev/null
cmake --build --preset x86_64 -j "$jobs"

status=0
if [ $full = 1 ]; then
  export NTF_I686_FULL=1
  ntf_xvfb ctest --preset i686 ${args[@]+"${args[@]}"} || status=1
  exit $status
fi
# The two builds run side by side, each in its own prefix on its own virtual display: the
# emulated 32-bit run mostly waits for its processes to start, the 64-bit one for its timers.
# Each one's output is shown whole when both have ended.
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
ntf_xvfb ctest --preset i686 ${args[@]+"${args[@]}"} >"$logs/i686" 2>&1 &
i686=$!
sleep 5  # xvfb-run -a picks a free display by its lock file: let the first one take its own
ntf_xvfb ctest --preset x86_64 ${args[@]+"${args[@]}"} >"$logs/x86_64" 2>&1 &
x86_64=$!
wait $i686 || status=1
wait $x86_64 || status=1
echo "== i686 (the shipped 32-bit DLL)"
cat "$logs/i686"
echo "== x86_64"
cat "$logs/x86_64"
exit $status
