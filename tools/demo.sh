#!/usr/bin/env bash
# Builds the module and shows a sample notification under Wine: on $DISPLAY when there is one,
# else on a virtual display. Leaves a screenshot in build/demo.png. It uses the shipped 32-bit
# DLL where this machine runs 32-bit programs, else the 64-bit one (the same code).
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
. tools/lib.sh
if ntf_first_run; then
  ntf_build_ntfshow
  ntf_need_display "$arch"
else
  arch=$1
fi

prefix=build/$arch/wineprefix
shot=$PWD/build/demo.png
tools/wine-prefix.sh start "$prefix" "$(ntf_bits "$arch")"
# ntfshow takes the screenshot itself once the popup is fully shown, then ends.
tools/wine-prefix.sh run "$prefix" "build/$arch/bin/ntfshow.exe" \
  --heading '新版本已发布' --body '版本 2.0 带来了更快的同步和新的通知中心。' \
  --link-text '查看更新说明' --url 'http://example.com/release-notes' \
  --checks '今晚自动更新|不再提醒' --check-mask 1 --close-box --screenshot "$shot.bmp"
convert "$shot.bmp" "$shot" && rm -f "$shot.bmp"
tools/wine-prefix.sh stop "$prefix"
echo "screenshot ($prefix): $shot"
