#!/usr/bin/env bash
# File size and section sizes of the two DLLs, as a Markdown table for docs/benchmarks.md.
#   dll_sizes.sh build/i686/bin/NtfObj.dll build/x86_64/bin/NtfObj.dll
# Section sizes are the virtual sizes objdump -h reports (bytes the section occupies once
# loaded); PE keeps 8 characters of a name, so .eh_frame shows as .eh_fram.
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 I686_DLL X86_64_DLL" >&2; exit 2; }
# The MinGW-w64 objdump reads both pei-i386 and pei-x86-64.
objdump=${NTF_OBJDUMP:-x86_64-w64-mingw32-objdump}
declare -A size
names=()
for i in 1 2; do
  dll=${!i}
  [ -f "$dll" ] || { echo "$dll: no such file" >&2; exit 1; }
  # Lines of objdump -h: index, name, size (hex), VMA, LMA, file offset, alignment.
  while read -r name hex; do
    [[ " ${names[*]} " == *" $name "* ]] || names+=("$name")
    size[$i,$name]=$((16#$hex))
  done < <("$objdump" -h "$dll" | awk '$1 ~ /^[0-9]+$/ { print $2, $3 }')
  size[$i,file]=$(stat -c %s "$dll")
done
cell() { local v=${size[$1,$2]:-}; [ -n "$v" ] && printf "%d" "$v" || printf -- "-"; }
echo "| | i686 \`$1\` | x86_64 \`$2\` |"
echo "|---|---:|---:|"
echo "| file size (bytes) | $(cell 1 file) | $(cell 2 file) |"
for name in "${names[@]}"; do
  echo "| \`$name\` | $(cell 1 "$name") | $(cell 2 "$name") |"
done
