#!/usr/bin/env bash
# Makes the release archive with tools/package.sh from the two build folders, checks its name
# and its exact content, and unpacks it for the tests that run what it holds.
#   make_archive.sh SOURCE_DIR BUILD_DIR VERSION OBJDUMP UNPACK_DIR
set -u
src=${1:?source dir}; build=${2:?64-bit build dir}; version=${3:?version}; objdump=${4:?objdump}
unpacked=${5:?unpack dir}
fail=0

out=$(NTF_BUILD="$build" bash "$src/tools/package.sh" --archive-only 2>&1) || { echo "$out"; echo "tools/package.sh failed"; exit 1; }
archive="$build/package/NtfObj-$version.zip"
if [ ! -f "$archive" ]; then
  echo "no $archive; the package folder holds:"; ls "$build/package"; exit 1
fi

# Everything a user gets, and nothing else: the samples as they are in examples/ (without
# their build file), both architectures with the DLL's assembly manifest, the header and
# README.txt.
expected=$( {
  printf '%s\n' README.txt include/NtfObj.h x86/NtfObj.dll x86/NtfObj.manifest x86/ntfshow.exe \
    x64/NtfObj.dll x64/NtfObj.manifest x64/ntfshow.exe
  (cd "$src/examples" && find . -type f ! -name CMakeLists.txt | sed 's|^\./|examples/|')
} | sort)
actual=$(cmake -E tar tf "$archive" | grep -v '/$' | sort)
if [ "$expected" != "$actual" ]; then
  echo "archive content differs (expected < > actual):"
  diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual"); fail=1
fi

rm -rf "$unpacked" && mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$archive") || { echo "cannot unpack $archive"; exit 1; }

# The packaged DLLs pass the same static checks as the built ones.
for dll in "$unpacked/x86/NtfObj.dll" "$unpacked/x64/NtfObj.dll"; do
  bash "$src/tests/static/check_dll.sh" "$dll" "$objdump" || fail=1
done
# README.txt: Windows line ends, and the version it names is the archive's.
if ! grep -q $'\r$' "$unpacked/README.txt" || grep -q $'[^\r]$' "$unpacked/README.txt"; then
  echo "README.txt does not have CRLF line ends"; fail=1
fi
grep -q "^NtfObj $version" "$unpacked/README.txt" || { echo "README.txt does not name version $version"; fail=1; }

[ $fail = 0 ] && echo "archive checked and unpacked: $archive"
exit $fail
