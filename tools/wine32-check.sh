#!/usr/bin/env bash
# Can this machine run Wine's 32-bit loader? Exit 0 when it can, 77 when the kernel refuses
# 32-bit programs (a kernel without, or with switched-off, IA-32 emulation), 1 when the loader
# is missing. Prints one line saying which, unless -q.
quiet=0; [ "${1:-}" = -q ] && quiet=1
say() { [ $quiet = 1 ] || echo "$@"; }
loader=/usr/lib/wine/wine
if [ ! -x "$loader" ]; then
  say "32-bit: Wine's 32-bit loader $loader is missing (install wine32:i386): the 32-bit tests fail"
  exit 1
fi
out=$("$loader" --version 2>&1)
case $? in
0) say "32-bit: this kernel runs 32-bit programs; the 32-bit DLL's behavioural tests run"; exit 0 ;;
126) case "$out" in *"Exec format error"*)
  say "32-bit: this kernel cannot run 32-bit programs (Exec format error; IA-32 emulation is off, e.g. booted without ia32_emulation=on): the 32-bit DLL's behavioural tests are skipped"
  exit 77 ;; esac ;;
esac
say "32-bit: Wine's 32-bit loader does not start: $out"
exit 1
