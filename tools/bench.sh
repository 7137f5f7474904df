#!/usr/bin/env bash
# Runs the benchmarks: ntf_bench of both builds, each in its build's Wine prefix on a virtual X
# display (the 32-bit one under Wine's 32-bit loader), their figures side by side, then the sizes
# of both DLLs. Prints Markdown for docs/benchmarks.md, the machine first.
#   NTF_BUILD    the 64-bit build folder (default build/x86_64); ntf_bench is brought up to date
#   NTF_BUILD32  the 32-bit build folder (default build/i686), likewise
#   arguments    passed to ntf_bench: --quick (a tenth of the runs), --only memory|paint|action|invoke
# Installs what is missing and configures either folder that is not configured yet.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
. tools/lib.sh
build=${NTF_BUILD:-build/x86_64}
build32=${NTF_BUILD32:-build/i686}
tools/setup.sh >&2
ntf_configure x86_64 "$build"
ntf_configure i686 "$build32"
cmake --build "$build" --target ntf_bench NtfObj -j "$(nproc)" >/dev/null
cmake --build "$build32" --target NtfObj -j "$(nproc)" >/dev/null
[ "$(tools/wine32-check.sh --how)" = native ] && cmake --build "$build32" --target ntf_bench -j "$(nproc)" >/dev/null

cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
echo "## Machine"
echo
echo "- date: $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "- CPU: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1), $(nproc) cores; load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "- system: Debian $(cat /etc/debian_version), Linux $(uname -r)"
echo "- Wine: $(/usr/lib/wine/wine64 --version) (wine64); $(tools/wine32-check.sh | sed "s/^32-bit: /32-bit loader: /")"
# The toolchain file names the compiler; CMake records it per build folder.
cxx=$(sed -n 's/^set(CMAKE_CXX_COMPILER "\(.*\)")$/\1/p' "$build"/CMakeFiles/*/CMakeCXXCompiler.cmake | head -1)
package=$(dpkg-query -W -f '${Version}' g++-mingw-w64-x86-64-posix 2>/dev/null || true)
echo "- compiler: $("$cxx" --version | head -1)${package:+ (Debian package $package)}, build type $(cache CMAKE_BUILD_TYPE), flags \`$(cache CMAKE_CXX_FLAGS) $(cache CMAKE_CXX_FLAGS_RELEASE)\`"
echo

# bench FOLDER BITS ARGS: ntf_bench of one build, on a fresh virtual display of the same size
# each time, so that figures compare between runs.
bench() {
  ntf_xvfb bash -c '
    tools/wine-prefix.sh start "$1/wineprefix" "$2" || exit 1
    tools/wine-prefix.sh run "$1/wineprefix" "$1/bin/ntf_bench.exe" "${@:3}"; status=$?
    tools/wine-prefix.sh stop "$1/wineprefix"
    exit $status' bench "$@"
}
echo "## ntf_bench"
echo
out64=$(mktemp); out32=$(mktemp); trap 'rm -f "$out64" "$out32"' EXIT
bench "$build" 64 "$@" >"$out64"
# Under emulation a 32-bit figure would measure the emulator, not the DLL.
if [ "$(tools/wine32-check.sh --how)" = native ]; then
  bench "$build32" 32 "$@" >"$out32"
  echo "x86_64 and i686 side by side (one run of each, one after the other)."
  echo
  awk -f tools/bench/side_by_side.awk "$out64" "$out32"
else
  case "$(tools/wine32-check.sh --how)" in
  emulated) echo "x86_64 only (32-bit code runs under emulation here: its timings would measure the emulator, not the DLL)." ;;
  *) echo "x86_64 only ($(tools/wine32-check.sh | sed "s/^32-bit: //"))." ;;
  esac
  echo
  cat "$out64"
fi
echo

echo "## DLL sizes"
echo
if [ -f "$build32/bin/NtfObj.dll" ]; then
  tools/bench/dll_sizes.sh "$build32/bin/NtfObj.dll" "$build/bin/NtfObj.dll"
else
  echo "no 32-bit DLL in $build32 (cmake --preset i686 && cmake --build --preset i686)"
fi
