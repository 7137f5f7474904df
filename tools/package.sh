#!/usr/bin/env bash
# The release archive: installs what is missing, builds the 32-bit and the 64-bit DLL and
# ntfshow, and packs both with the header, the samples and README.txt into
# build/x86_64/package/NtfObj-<version>.zip (the version is the project's, in CMakeLists.txt).
#   tools/package.sh                  set up, build both architectures, pack
#   tools/package.sh --archive-only   pack what both build folders hold (the test suite's way)
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."

if [ "${1:-}" != "--archive-only" ]; then
  tools/setup.sh
  for preset in i686 x86_64; do
    cmake --preset "$preset" >/dev/null
    # The shipped targets only; the test programs are not part of the archive.
    cmake --build --preset "$preset" --target NtfObj ntfshow -j "$(nproc)"
  done
fi

for dll in build/i686/bin/NtfObj.dll build/x86_64/bin/NtfObj.dll; do
  [ -f "$dll" ] || { echo "package.sh: $dll is not built (run tools/package.sh without --archive-only)" >&2; exit 1; }
done
rm -f build/x86_64/package/NtfObj-*.zip
(cd build/x86_64 && cpack --config CPackConfig.cmake >/dev/null)
archive=$(ls build/x86_64/package/NtfObj-*.zip)
echo "package.sh: $archive"
