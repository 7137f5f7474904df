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

# One line about 32-bit programs: the suite then runs the 32-bit DLL's behavioural tests, or
# reports them as skipped while the 64-bit suite and the static checks still run.
"$(dirname "$(readlink -f "$0")")/wine32-check.sh" || true
