#!/usr/bin/env bash
# Static checks of a built NtfObj.dll: the exact export table, imports of system DLLs only,
# the resources by type, number and language, and its size. Expected values: exports.txt,
# resources.txt. With the link map of the DLL, also that no C++ runtime, thread library or
# unwinder went into it.
#   check_dll.sh DLL OBJDUMP [LINK_MAP]
set -u
dll=${1:?dll}; objdump=${2:?objdump}; map=${3:-}
here=$(dirname "$(readlink -f "$0")")
fail=0
dump=$("$objdump" -p "$dll") || { echo "cannot read $dll"; exit 1; }

# "ordinal name" for every named export, by ordinal; the name table lists ordinals less the
# base, in the order of the names.
base=$(printf '%s\n' "$dump" | gawk '/^Ordinal Base/{print $3; exit}')
exports=$(printf '%s\n' "$dump" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -nE 's/^\s*\[\s*([0-9]+)\]\s+(\S+).*/\1 \2/p' | gawk -v b="$base" '{print $1 + b, $2}' | sort -n)
# An export with no name would show only in the address table.
count=$(printf '%s\n' "$dump" | gawk '/Export Address Table[ \t]+[0-9a-f]+$/{print strtonum("0x"$4); exit}')
if ! diff <(grep -v '^#' "$here/exports.txt") <(printf '%s\n' "$exports") >/dev/null; then
  echo "exports differ (expected < > actual):"
  diff <(grep -v '^#' "$here/exports.txt") <(printf '%s\n' "$exports"); fail=1
fi
if [ "$count" != "$(grep -vc '^#' "$here/exports.txt")" ]; then
  echo "export address table holds $count entries"; fail=1
fi

allowed=" kernel32.dll user32.dll gdi32.dll shell32.dll shlwapi.dll ole32.dll oleaut32.dll advapi32.dll msvcrt.dll "
for name in $(printf '%s\n' "$dump" | gawk '/DLL Name:/{print $3}'); do
  case "$allowed" in *" ${name,,} "*) ;; *) echo "unexpected import: $name"; fail=1 ;; esac
done

# The DLL must load on Windows XP: functions of later Windows are looked up at run time, never
# imported. These are the ones runtimes bring in unasked (winpthread's clock took
# GetTickCount64, which kept the 32-bit DLL from loading on XP), and oleaut32's per-user
# type-library calls, which the per-user registration looks up.
late=$(printf '%s\n' "$dump" | gawk '/^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { print $3 }' | grep -xE \
  'GetTickCount64|GetSystemTimePreciseAsFileTime|GetCurrentProcessorNumber|CreateEventEx[AW]|(Initialize|Acquire|Release|TryAcquire)SRWLock(Exclusive|Shared)?|(Initialize|Wake|WakeAll)ConditionVariable|SleepConditionVariable(CS|SRW)|InitOnce(ExecuteOnce|BeginInitialize|Complete)|Fls(Alloc|Free|GetValue|SetValue)|(Un)?RegisterTypeLibForUser')
if [ -n "$late" ]; then
  echo "imports functions that Windows XP lacks:"; printf '  %s\n' $late; fail=1
fi

# "type/name/language" for every resource leaf; types and names are numbers or text.
resources=$(printf '%s\n' "$dump" | sed -n '/Resource Directory section/,$p' | gawk '
  function key(line) { if (match(line, /ID: 0x[0-9a-f]+/)) return strtonum("0x" substr(line, RSTART + 6, RLENGTH - 6));
                       if (match(line, /name: .*, Value/)) { s = substr(line, RSTART + 6, RLENGTH - 13); sub(/^\[[^]]*\]: /, "", s); return s } return "?" }
  /^[0-9a-f]+   Entry:/      { type = key($0) }
  /^[0-9a-f]+     Entry:/    { id = key($0) }
  /^[0-9a-f]+       Entry:/  { print type "/" id "/" sprintf("0x%04x", key($0)) }' | sort)
expected=$(grep -v '^#' "$here/resources.txt" | sort)
if [ "$resources" != "$expected" ]; then
  echo "resources differ (expected < > actual):"
  diff <(printf '%s\n' "$expected") <(printf '%s\n' "$resources"); fail=1
fi

# serverDisabled: one 4-byte section that every process loading the module shares.
if ! "$objdump" -h "$dll" | gawk '$2 == ".shared" { size = $3; getline; if (size == "00000004" && /SHARED/) ok = 1 } END { exit !ok }'; then
  echo "no 4-byte shared section .shared"; fail=1
fi

# Every host maps the DLL, and pages download it as a control: it stays small.
limit=131072
size=$(stat -c %s "$dll")
if [ "$size" -gt $limit ]; then
  echo "$dll is $size bytes, more than $limit"; fail=1
fi

# Archive members the linker took in, from the map's first part ("archive.a(member)" lines).
if [ -n "$map" ]; then
  if [ ! -f "$map" ]; then
    echo "no link map $map"; fail=1
  else
    runtime=$(sed -n '/^Archive member included/,/^\(Discarded\|Allocating\|Memory map\)/p' "$map" |
      grep -oE '[^ /]*lib(stdc\+\+|supc\+\+|pthread|winpthread|gcc_eh)\.a\([^)]*\)' | sort -u)
    if [ -n "$runtime" ]; then
      echo "runtime members linked into the DLL:"; printf '  %s\n' $runtime; fail=1
    fi
  fi
fi

[ $fail = 0 ] && echo "static checks passed: $dll ($size bytes)"
exit $fail
