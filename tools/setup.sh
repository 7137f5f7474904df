#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing.
# Runs as root, or through sudo otherwise. No i386 packages: nothing 32-bit runs here.
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
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
echo "setup: installing ${missing[*]}"
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
