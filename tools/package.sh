#!/usr/bin/env bash
# The release archive: installs what is missing, builds the 32-bit and the 64-bit DLL and
# ntfshow, and packs both with the header, the samples and README.txt into
# build/x86_64/package/NtfObj-<version>.zip (the version is the project's, in CMakeLists.txt).
#   tools/package.sh                  set up, build both architectures, pack
#   tools/package.sh --archive-only   pack what the build folders hold (the test suite's way)
# NTF_BUILD names another 64-bit build folder to pack from; it knows its 32-bit one.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
build64=${NTF_BUILD:-build/x86_64}

if [ "${1:-}" != "--archive-only" ]; then
  tools/setup.sh
  for preset in i686 x86_64; do
    cmake --preset "$preset" >/dev/null
    # The shipped targets only; the test programs are not part of the archive.
    cmake --build --preset "$preset" --target NtfObj ntfshow -j "$(nproc)"
  done
fi

build32=$(sed -n 's/^NTF_I686_BUILD_DIR:PATH=//p' "$build64/CMakeCache.txt" 2>/dev/null || true)
for dll in "$build32/bin/NtfObj.dll" "$build64/bin/NtfObj.dll"; do
  [ -f "$dll" ] || { echo "package.sh: $dll is not built (run tools/package.sh without --archive-only)" >&2; exit 1; }
done
rm -f "$build64"/package/NtfObj-*.zip
(cd "$build64" && cpack --config CPackConfig.cmake >/dev/null)
echo "package.sh: $(ls "$build64"/package/NtfObj-*.zip)"
