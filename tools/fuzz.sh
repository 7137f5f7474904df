#!/usr/bin/env bash
# The long run of the randomised Invoke driver (CI runs its short default through ctest).
#   tools/fuzz.sh [--arch i686|x86_64] [--seed N] [--count N] [--minutes M] [--xp] [--trace]
# --arch picks the build (default x86_64; i686 is the shipped DLL, run by Wine's 32-bit loader,
# under emulation where the kernel runs no 32-bit code: the run then gets fewer calls).
# --xp runs the driver where balloon tips are used (Windows XP / Server 2003 in the prefix).
# The build folder comes from NTF_BUILD (default build/ARCH); the script installs what is
# missing and configures and builds the driver there first.
# Without an X display the run is wrapped in xvfb-run.
set -u
cd "$(dirname "$(readlink -f "$0")")/.."
. tools/lib.sh
args=("$@")

seed=$(( $(date +%s) % 1000000 )); count=1000000; minutes=10; program=fuzz_invoke_tests; extra=()
arch=x86_64
while [ $# -gt 0 ]; do
  case "$1" in
    --arch) arch=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --count) count=$2; shift 2 ;;
    --minutes) minutes=$2; shift 2 ;;
    --xp) program=fuzz_invoke_xp_tests; shift ;;
    --trace) extra+=(--trace); shift ;;
    *) echo "usage: $0 [--arch i686|x86_64] [--seed N] [--count N] [--minutes M] [--xp] [--trace]" >&2; exit 2 ;;
  esac
done

bits=$(ntf_bits "$arch") || exit 2
build=${NTF_BUILD:-build/$arch}
if ntf_first_run; then
  tools/setup.sh || exit 1
  ntf_configure "$arch" "$build" || exit 1
  cmake --build "$build" --target $program -j "$(nproc)" >/dev/null || exit 1
fi
ntf_need_display "${args[@]}" --seed "$seed"

exe=$build/bin/$program.exe
prefix=$build/wineprefix
tools/wine-prefix.sh start "$prefix" "$bits" || exit 1
if [ $program = fuzz_invoke_xp_tests ]; then
  tools/wine-prefix.sh xp "$prefix" $program.exe
fi
# The calls stop after the budget; draining, the second pass of the leak check and the checks
# need a few minutes more before the run is taken as hung.
seconds=$(( minutes * 60 ))
margin=600
# Under emulation the program takes a minute to start and drains several times slower.
[ "$bits" = 32 ] && [ "$(tools/wine32-check.sh --how)" = emulated ] && margin=2400
NTF_RUN_TIMEOUT=$(( seconds + margin )) tools/wine-prefix.sh run "$prefix" "$exe" \
  --seed="$seed" --count="$count" --seconds="$seconds" "${extra[@]}"
status=$?
tools/wine-prefix.sh stop "$prefix"
echo "fuzz.sh: seed $seed, $program ($arch), exit status $status"
exit $status
