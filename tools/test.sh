#!/usr/bin/env bash
# The whole suite: installs what is missing, builds both DLLs with their test programs, and runs
# each build's tests on a virtual X display: the static checks of the DLL and every behavioural
# test, the 64-bit build under wine64, the shipped 32-bit build under Wine's 32-bit loader (its
# behavioural tests are reported as skipped on a kernel that cannot run 32-bit programs).
# Arguments go to both ctest runs (e.g. -R paint).
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
. tools/lib.sh
tools/setup.sh

jobs=$(nproc)
cmake --preset i686 >/dev/null
cmake --build --preset i686 -j "$jobs"
cmake --preset x86_64 >/dev/null
cmake --build --preset x86_64 -j "$jobs"

status=0
tools/wine32-check.sh || true
ntf_xvfb ctest --preset i686 "$@" || status=1
ntf_xvfb ctest --preset x86_64 "$@" || status=1
exit $status
