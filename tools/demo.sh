#!/usr/bin/env bash
# Builds the module and shows a sample notification under Wine: on $DISPLAY when there is one,
# else on a virtual display. Leaves a screenshot in build/demo.png. It uses the shipped 32-bit
# DLL where this machine runs 32-bit programs, else the 64-bit one (the same code).
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
tools/setup.sh
. tools/lib.sh
arch=$(ntf_default_arch)
cmake --preset "$arch" >/dev/null
cmake --build --preset "$arch" -j "$(nproc)" --target ntfshow
prefix=build/$arch/wineprefix
bits=$(ntf_bits "$arch")
shot=$PWD/build/demo.png

run_demo() {
  tools/wine-prefix.sh start "$prefix" "$bits"
  # ntfshow takes the screenshot itself once the popup is fully shown, then ends.
  tools/wine-prefix.sh run "$prefix" "${prefix%/wineprefix}/bin/ntfshow.exe" \
    --heading '新版本已发布' --body '版本 2.0 带来了更快的同步和新的通知中心。' \
    --link-text '查看更新说明' --url 'http://example.com/release-notes' \
    --checks '今晚自动更新|不再提醒' --check-mask 1 --close-box --screenshot "$shot.bmp"
  convert "$shot.bmp" "$shot" && rm -f "$shot.bmp"
  tools/wine-prefix.sh stop "$prefix"
  echo "screenshot ($prefix): $shot"
}

if [ -n "${DISPLAY:-}" ]; then
  run_demo
else
  # xvfb-run starts its command through sh, which drops exported bash functions: hand the
  # function's text to the shell on the virtual display instead.
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "$(declare -f run_demo); prefix='$prefix' bits='$bits' shot='$shot' run_demo"
fi
