#!/usr/bin/env bash
# Builds the 64-bit module and shows a sample notification under Wine: on $DISPLAY when there
# is one, else on a virtual display. Leaves a screenshot in build/demo.png.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
tools/setup.sh
cmake --preset x86_64 >/dev/null
cmake --build --preset x86_64 -j "$(nproc)" --target ntf_demo
prefix=build/x86_64/wineprefix
shot=$PWD/build/demo.png

run_demo() {
  tools/wine-prefix.sh start "$prefix"
  # The demo takes the screenshot itself once the popup is fully shown.
  tools/wine-prefix.sh run "$prefix" build/x86_64/bin/ntf_demo.exe "$shot.bmp"
  convert "$shot.bmp" "$shot" && rm -f "$shot.bmp"
  tools/wine-prefix.sh stop "$prefix"
  echo "screenshot: $shot"
}

if [ -n "${DISPLAY:-}" ]; then
  run_demo
else
  # xvfb-run starts its command through sh, which drops exported bash functions: hand the
  # function's text to the shell on the virtual display instead.
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "$(declare -f run_demo); prefix='$prefix' shot='$shot' run_demo"
fi
