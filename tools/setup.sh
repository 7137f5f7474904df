#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing.
# Runs as root, or through sudo otherwise. The 32-bit DLL's tests need Wine's 32-bit loader
# (wine32:i386); whether this machine's kernel runs it is said at the end.
set -euo pipefail

packages=(
  cmake make gawk
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  mingw-w64-tools            # widl
  wine64 libwine libwine-dev # wine64 runs the tests; libwine-dev has the .idl files, libwine stdole2.tlb
  googletest
  xvfb xauth xdotool imagemagick
  fonts-wqy-microhei
  python3                    # regenerates the pictures to check they are reproducible
  locales                    # zh_CN.UTF-8: Wine converts command lines through it
)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  echo "setup: installing ${missing[*]}"
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The 32-bit loader, from the i386 architecture (the install also brings a few amd64
# libraries to the same version as their i386 twins).
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  export DEBIAN_FRONTEND=noninteractive
  echo "setup: installing wine32:i386"
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends wine32:i386
fi

# Code page 936 needs no Linux locale, but Chinese arguments on a command line reach a Wine
# program intact only when the locale the tests run under exists.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  echo "setup: generating the zh_CN.UTF-8 locale"
  $sudo sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi

# A kernel that refuses 32-bit programs (IA-32 emulation off) still runs them through qemu's
# user-mode emulator, handed every i386 program by binfmt_misc. A handler someone registered
# already is left as it is.
check="$(dirname "$(readlink -f "$0")")/wine32-check.sh"
if [ "$("$check" --how)" = none ] && [ -x /usr/lib/wine/wine ]; then
  if ! dpkg-query -W -f='${Status}' qemu-user 2>/dev/null | grep -q 'install ok installed'; then
    export DEBIAN_FRONTEND=noninteractive
    echo "setup: installing qemu-user (this kernel runs no 32-bit programs of its own)"
    $sudo apt-get update -q
    $sudo apt-get install -y -q --no-install-recommends qemu-user
  fi
  binfmt=/proc/sys/fs/binfmt_misc
  [ -e $binfmt/register ] || $sudo mount -t binfmt_misc binfmt_misc $binfmt
  if ! grep -lqs 'qemu-i386' $binfmt/* && [ ! -e $binfmt/qemu-i386 ]; then
    echo "setup: registering qemu-i386 for 32-bit programs"
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386:OC" | $sudo tee $binfmt/register >/dev/null
  fi
fi

# One line about 32-bit programs: natively, under emulation (the i686 build then runs its
# emulated suite), or not at all (its behavioural tests are reported as skipped).
"$check" || true
