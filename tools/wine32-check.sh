#!/usr/bin/env bash
# Can this machine run Wine's 32-bit loader, and how? Exit 0 when it can (natively or under
# user-mode emulation), 77 when the kernel refuses 32-bit programs and no emulator is set up,
# 1 when the loader is missing. Prints one line saying which, unless -q; with --how it prints
# only "native", "emulated" or "none".
mode=say; case "${1:-}" in -q) mode=quiet ;; --how) mode=how ;; esac
say() { [ $mode = say ] && echo "$@"; return 0; }
how() { [ $mode = how ] && echo "$1"; return 0; }
loader=/usr/lib/wine/wine

# binfmt_misc hands i386 programs to qemu-i386 before the kernel's own loader is asked, so a
# registered, enabled handler means every 32-bit program here runs emulated.
emulator_registered() {
  local entry
  for entry in /proc/sys/fs/binfmt_misc/*; do
    [ -f "$entry" ] || continue
    grep -qx enabled "$entry" 2>/dev/null && grep -q '^interpreter .*qemu-i386' "$entry" 2>/dev/null && return 0
  done
  return 1
}

if [ ! -x "$loader" ]; then
  how none
  say "32-bit: Wine's 32-bit loader $loader is missing (install wine32:i386): the 32-bit tests fail"
  exit 1
fi
out=$("$loader" --version 2>&1)
case $? in
0)
  if emulator_registered; then
    how emulated
    say "32-bit: 32-bit programs run under emulation here (qemu-i386 through binfmt_misc): the i686 build runs its emulated suite; tools/test.sh --i686-full runs the whole one"
  else
    how native
    say "32-bit: this kernel runs 32-bit programs natively; the 32-bit DLL's whole suite runs"
  fi
  exit 0 ;;
126) case "$out" in *"Exec format error"*)
  how none
  say "32-bit: this kernel cannot run 32-bit programs (Exec format error; IA-32 emulation is off) and no emulator is registered: the 32-bit DLL's behavioural tests are skipped"
  exit 77 ;; esac ;;
esac
how none
say "32-bit: Wine's 32-bit loader does not start: $out"
exit 1
