#!/usr/bin/env bash
# The full soak: 1,000 notifications and 200 tray sessions through the COM object in one
# process, then the figures of what it held after the warm-up and at the end.
#   tools/soak.sh [--arch i686|x86_64] [--notifications=N] [--tray-sessions=M]
# --arch picks the build (default x86_64; i686 is the shipped DLL, run by Wine's 32-bit loader);
# NTF_BUILD names another build folder of that architecture.
# Installs what is missing and builds the soak program if needed; runs it in the build's own
# Wine prefix on a virtual X display (unless one is set already); stops the prefix afterwards.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
. tools/lib.sh
arch=x86_64
if [ "${1:-}" = --arch ]; then arch=$2; shift 2; fi
bits=$(ntf_bits "$arch")
build=${NTF_BUILD:-build/$arch}
if ntf_first_run; then
  tools/setup.sh
  ntf_configure "$arch" "$build"
  cmake --build "$build" --target soak_tests -j 2 >/dev/null
fi
ntf_need_display --arch "$arch" "$@"

prefix="$build/wineprefix"
run() { tools/wine-prefix.sh run "$prefix" "$@"; }
tools/wine-prefix.sh start "$prefix" "$bits"
trap 'tools/wine-prefix.sh stop "$prefix"' EXIT
# Balloon requests take the tray thread's path only on Windows XP and Server 2003.
tools/wine-prefix.sh xp "$prefix" soak_tests.exe
# Under emulation a tenth of the counts fits an hour.
if [ $# -eq 0 ]; then
  if [ "$bits" = 32 ] && [ "$(tools/wine32-check.sh --how)" = emulated ]; then
    set -- --notifications=100 --tray-sessions=20
  else
    set -- --notifications=1000 --tray-sessions=200
  fi
fi
how=native; [ "$bits" = 32 ] && how=$(tools/wine32-check.sh --how)
echo "soak of the $arch build on $(uname -n) ($how), $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC'), $*"
NTF_RUN_TIMEOUT=${NTF_RUN_TIMEOUT:-5400} run "$build/bin/soak_tests.exe" "$@"
