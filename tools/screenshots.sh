#!/usr/bin/env bash
# Takes the README's pictures from the real DLL under Wine, through ntfshow --screenshot, and
# writes them to docs/images/: the shipped 32-bit DLL where this machine runs 32-bit programs,
# else the 64-bit one (the same code draws the same pixels). Builds what it needs.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
. tools/lib.sh
if ntf_first_run; then
  ntf_build_ntfshow
  # Always a virtual display, even where one is set: the pictures must not depend on it.
  ntf_rerun_on_xvfb "$arch"
fi
arch=$1
mkdir -p docs/images

prefix=build/$arch/wineprefix bin=build/$arch/bin out=build/$arch/shots
mkdir -p "$out"
tools/wine-prefix.sh start "$prefix" "$(ntf_bits "$arch")"
# name|crop (WxH+X+Y on the 1024x768 desktop; the popup sits at the lower right)|arguments
while IFS='|' read -r name crop args; do
  [ -n "$name" ] || continue
  eval "set -- $args"
  tools/wine-prefix.sh run "$prefix" "$bin/ntfshow.exe" "$@" --screenshot "$out/$name.bmp" >/dev/null
  convert "$out/$name.bmp" -crop "$crop" +repage "docs/images/$name.png"
  echo "docs/images/$name.png"
done <<'LIST'
popup-plain|300x200+724+560|--heading '新版本可用' --body '版本 2.0 已经发布，点击下面的链接查看更新内容。' --link-text '查看更新内容' --url http://example.com/
popup-checks|300x220+724+540|--heading '下载完成' --body '文件已保存到下载文件夹。' --checks '打开文件夹|不再提示' --check-mask 1 --icon info
popup-buttons|300x200+724+560|--heading '会议提醒' --body '十分钟后开始项目例会。' --buttons '参加|稍后|忽略' --button-mask 1 --icon alert
popup-list|300x200+724+560|--heading '选择操作' --body '请选择要执行的操作。' --list '立即更新|今晚更新|确定' --close-box --icon error
dialog|320x240+352+264|--heading '提示' --body '操作已经完成。' --checks '记住我的选择' --dialog
LIST
# Three programs' popups stacked: two hosts that close themselves after 12 s, then the third
# takes the picture once it has slid in above them.
tools/wine-prefix.sh run "$prefix" "$bin/ntfshow.exe" --heading '下载完成' --body '文件已保存到下载文件夹。' \
  --icon info --delay 12000 >/dev/null &
sleep 4
tools/wine-prefix.sh run "$prefix" "$bin/ntfshow.exe" --heading '会议提醒' --body '十分钟后开始项目例会。' \
  --buttons '参加|稍后|忽略' --button-mask 1 --icon alert --delay 12000 >/dev/null &
sleep 4
tools/wine-prefix.sh run "$prefix" "$bin/ntfshow.exe" --heading '新版本可用' \
  --body '版本 2.0 已经发布，点击下面的链接查看更新内容。' --link-text '查看更新内容' --url http://example.com/ \
  --screenshot "$out/popup-stack.bmp" >/dev/null
wait
convert "$out/popup-stack.bmp" -crop 300x520+724+238 +repage docs/images/popup-stack.png
echo docs/images/popup-stack.png
# The popup on a 144-DPI display (150 %), in a server session of its own as the DPI tests run.
bash tests/dpi/run_at_dpi.sh "$prefix" 144 "$bin/ntfshow.exe" --heading '下载完成' --body '文件已保存到下载文件夹。' \
  --checks '打开文件夹|不再提示' --check-mask 1 --icon info --screenshot "$out/popup-144dpi.bmp" >/dev/null
convert "$out/popup-144dpi.bmp" -crop 440x290+584+458 +repage docs/images/popup-144dpi.png
echo docs/images/popup-144dpi.png
tools/wine-prefix.sh stop "$prefix"
echo "taken with the $arch build"
