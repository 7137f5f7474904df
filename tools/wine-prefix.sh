#!/usr/bin/env bash
# A Wine prefix of the test run's own, with one persistent wineserver.
#   wine-prefix.sh start PREFIX [32|64]   boot the prefix once, start its wineserver; 32: its
#                                         programs run under Wine's 32-bit loader (kept in the prefix)
#   wine-prefix.sh run PREFIX PROG ARGS   run a Windows program in it (exit status is the program's;
#                                         77 when the kernel cannot run the 32-bit loader)
#   wine-prefix.sh reg PREFIX ARGS        Wine's reg tool on the prefix's registry (its output, its status)
#   wine-prefix.sh xp PREFIX EXE          make Wine report Windows XP to EXE, where balloon tips are
#                                         used (XP x64 / Server 2003 to a 64-bit program)
#   wine-prefix.sh stop PREFIX            end its wineserver and every program still in it
#   wine-prefix.sh restart PREFIX         stop, then start again with the same bits
set -u
cmd=${1:?command}; prefix=${2:?prefix}; shift 2
prefix=$(readlink -m "$prefix")

export WINEPREFIX="$prefix"
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=d}
# Code page 936 for the Chinese texts and the double-byte rules; NTF_LOCALE names another
# locale for one run (en_US.UTF-8: code page 1252).
# (set on the Wine commands only: bash itself has no such locale to switch to)
lang=${NTF_LOCALE:-zh_CN.UTF-8}
locale=(env LANG="$lang" LC_ALL="$lang")
wine=("${locale[@]}" /usr/lib/wine/wine64)
wineserver=/usr/lib/wine/wineserver
here=$(dirname "$(readlink -f "$0")")

# A 32-bit prefix is still booted and served by the 64-bit Wine (WoW64: the 32-bit system DLLs
# live in syswow64); only the programs it runs use the 32-bit loader.
bits=64
[ -f "$prefix/.ntf-bits" ] && bits=$(cat "$prefix/.ntf-bits")

case "$cmd" in
restart)
  # A fresh server session: Wine reads some settings (the display's density) only when one starts.
  "$wineserver" -k >/dev/null 2>&1
  ;&  # on into start, which keeps the prefix's bits
start)
  mkdir -p "$prefix"
  case "${1:-}" in 32|64) echo "$1" >"$prefix/.ntf-bits" ;; "") ;; *) echo "bits: 32 or 64" >&2; exit 2 ;; esac
  # Its own stdio on /dev/null: otherwise it holds ctest's output pipe open.
  "$wineserver" -p </dev/null >/dev/null 2>&1
  # A prefix booted while 32-bit programs could not run has no 32-bit half (its set-up runs a
  # 32-bit program): boot it again once they run, or the 32-bit loader fails in it.
  if [ -f "$prefix/.ntf-ready-2" ] && [ ! -f "$prefix/drive_c/windows/syswow64/kernel32.dll" ] &&
     "$here/wine32-check.sh" -q; then
    echo "wine-prefix.sh: booting $prefix again for its 32-bit half" >&2
    "${wine[@]}" wineboot -u </dev/null >/dev/null 2>&1 || { echo "wineboot failed" >&2; exit 1; }
  fi
  if [ ! -f "$prefix/.ntf-ready-2" ]; then
    "${wine[@]}" wineboot -i </dev/null >/dev/null 2>&1 || { echo "wineboot failed" >&2; exit 1; }
    # Every program of the prefix runs inside a virtual desktop with a taskbar: no window
    # manager stalls when windows hide, and a real notification area.
    "${wine[@]}" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d shell /f >/dev/null 2>&1
    "${wine[@]}" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /t REG_SZ /d 1024x768 /f >/dev/null 2>&1
    # A program that crashes ends at once with a failing status instead of waiting in
    # winedbg for the harness's time limit; Wine still prints the fault and its address.
    "${wine[@]}" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d 'cmd.exe /c rem %ld %ld' /f >/dev/null 2>&1
    touch "$prefix/.ntf-ready-2"
  fi
  ;;
run)
  # Programs that Wine starts on the way (the desktop, COM servers) inherit the standard
  # handles and outlive the test; give them a file, not the caller's pipe, and copy it after.
  # A program that hangs is ended before the caller's own time limit, so that what it printed
  # is still shown.
  # NTF_SUITE names the 32-bit run a test belongs to: "full" (the whole suite) or "emulated"
  # (the few processes run where 32-bit code is emulated); unset for programs run by hand.
  loader=("${wine[@]}")
  limit=${NTF_RUN_TIMEOUT:-280}
  if [ "$bits" = 32 ]; then
    how=$("$here/wine32-check.sh" --how)
    case "$how" in
    none)
      "$here/wine32-check.sh" >/dev/null
      [ $? = 77 ] && { echo "skipped: this kernel cannot run 32-bit programs (IA-32 emulation is off)"; exit 77; }
      "$here/wine32-check.sh"; exit 1 ;;
    emulated)
      if [ "${NTF_SUITE:-}" = full ] && [ "${NTF_I686_FULL:-}" != 1 ]; then
        echo "skipped: 32-bit code runs under emulation here: run \`tools/test.sh --i686-full\` for the whole suite"
        exit 77
      fi
      # Each process takes about a minute to start and its work runs slower: the programs
      # scale their own waits by NTF_EMULATED, and the limit here grows alike.
      export NTF_EMULATED=1
      limit=${NTF_RUN_TIMEOUT:-1500} ;;
    native)
      if [ "${NTF_SUITE:-}" = emulated ]; then
        echo "skipped: this machine runs 32-bit code natively, so the whole suite runs instead"
        exit 77
      fi ;;
    esac
    # NTF_LOADER=64: a 64-bit program run beside the prefix's 32-bit ones (a mixed test).
    [ "${NTF_LOADER:-}" = 64 ] || loader=("${locale[@]}" /usr/lib/wine/wine)
  fi
  log=$(mktemp "$prefix/run.XXXXXX.log")
  timeout -k 10 "$limit" "${loader[@]}" "$@" </dev/null >"$log" 2>&1
  status=$?
  [ $status -eq 124 ] && echo "wine-prefix.sh: $1 did not end within $limit s" >>"$log"
  cat "$log"; rm -f "$log"
  exit $status
  ;;
reg)
  # Always the 64-bit tool, whichever loader the prefix's programs use: HKCU has one view for
  # both, and the 64-bit Wine runs on every kernel.
  "${wine[@]}" reg "$@" </dev/null 2>/dev/null
  ;;
xp)
  # The registry value Wine reads when the program starts. Wine gives a 64-bit program no plain
  # XP: it sees XP x64 / Server 2003 (5.2).
  exe=${1:?exe}; version=winxp64
  [ "$bits" = 32 ] && version=winxp
  "${wine[@]}" reg add "HKCU\\Software\\Wine\\AppDefaults\\$exe" /v Version /t REG_SZ /d "$version" /f \
    </dev/null >/dev/null 2>&1
  ;;
stop)
  "$wineserver" -k >/dev/null 2>&1
  exit 0
  ;;
*)
  echo "usage: $0 start|run|reg|xp|stop|restart PREFIX ..." >&2; exit 2 ;;
esac
