#!/usr/bin/env bash
# lumora-tool caption: the date and the place of photos with and without EXIF date and GPS,
# in two languages, against the gazetteer the build made; the same EXIF in each container
# that keeps it (HEIC, AVIF, PNG, WebP, ORF, RW2) gives the JPEG's caption; and bad usage.
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
for kind in heic avif png webp orf rw2; do $photo "$dir/both.$kind" --date "2023:07:14 10:00:00" --gps 48.1372 11.5756; done
check "date and place" same "Friday, July 14, 2023|Munich, Germany|" "$("$tool" caption "$dir/both.jpg" | tr '\n' '|')"
check "German" same "Freitag, 14. Juli 2023|München, Deutschland|" "$("$tool" caption --lang 2 "$dir/both.jpg" | tr '\n' '|')"
check "no GPS, none near, nothing at all" same "Friday, December 31, 1999||Monday, January 1, 2001||||" \
  "$("$tool" caption "$dir/date.jpg" "$dir/sea.jpg" "$dir/none.jpg" | tr '\n' '|')"
for kind in heic avif png webp orf rw2; do
  check "the JPEG's caption from a .$kind photo" same "$("$tool" caption "$dir/both.jpg")" "$("$tool" caption "$dir/both.$kind")"
done
check "a bad language and a missing file" same "2 1" \
  "$("$tool" caption --lang 7 "$dir/both.jpg" >/dev/null 2>&1; echo $?) $("$tool" caption "$dir/gone.jpg" >/dev/null 2>&1; echo $?)"
report "caption tool"
