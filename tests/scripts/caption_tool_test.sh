#!/usr/bin/env bash
# lumora-tool caption: the date and the place of photos with and without EXIF date and GPS,
# in two languages, against the gazetteer the build made; and bad usage.
# Usage: caption_tool_test.sh LUMORA_TOOL [BUILD_DIR]
set -u
tool="${1:?usage: caption_tool_test.sh LUMORA_TOOL [BUILD_DIR]}"
source "$(dirname "${BASH_SOURCE[0]}")/../wine/e2e_lib.sh"
photo="python3 $(dirname "${BASH_SOURCE[0]}")/exif_photo.py"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
$photo "$dir/both.jpg" --date "2023:07:14 10:00:00" --gps 48.1372 11.5756
$photo "$dir/date.jpg" --date "1999:12:31 23:59:59"
$photo "$dir/sea.jpg" --gps 40.0 -30.0 --date "2001:01:01 00:00:00"
$photo "$dir/none.jpg"
check "date and place" same "July 14, 2023|Munich, Germany|" "$("$tool" caption "$dir/both.jpg" | tr '\n' '|')"
check "German" same "14. Juli 2023|München, Deutschland|" "$("$tool" caption --lang 2 "$dir/both.jpg" | tr '\n' '|')"
check "no GPS, none near, nothing at all" same "December 31, 1999||January 1, 2001||||" \
  "$("$tool" caption "$dir/date.jpg" "$dir/sea.jpg" "$dir/none.jpg" | tr '\n' '|')"
check "a bad language and a missing file" same "2 1" \
  "$("$tool" caption --lang 7 "$dir/both.jpg" >/dev/null 2>&1; echo $?) $("$tool" caption "$dir/gone.jpg" >/dev/null 2>&1; echo $?)"
report "caption tool"
