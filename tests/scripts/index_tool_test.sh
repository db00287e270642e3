#!/usr/bin/env bash
# lumora-tool index: the summary line of a folder's pictures (a folder named without its
# separator too), the same on a second run, a damaged index file moved aside whole and built
# again, bad usage, a shuffled round from the index of a burst of ten among 40 photos, and
# clips that ffmpeg makes, indexed with --videos 1 and their date bringing a memory first;
# lumora-tool walk counts a folder's pictures, and refuses a server address it cannot serve.
# Usage: index_tool_test.sh LUMORA_TOOL [BUILD_DIR]
set -u
tool="${1:?usage: index_tool_test.sh LUMORA_TOOL [BUILD_DIR]}"
source "$(dirname "${BASH_SOURCE[0]}")/../wine/e2e_lib.sh"
photo="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/exif_photo.py"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/P/sub"
touch "$dir/P/a.jpg" "$dir/P/b.png" "$dir/P/sub/c.jpg" "$dir/P/notes.txt"
cd "$dir"
counts() { "$tool" index --db "$dir/i.db" "$@" | sed 's/, [0-9.]* s$//'; }
check "the pictures counted" same "photos 3, dated 0, rated 0, bursts 0, memories today 0" "$(counts P)"
check "a second run finds the same" same "photos 3, dated 0, rated 0, bursts 0, memories today 0" "$(counts P/)"
printf 'not a database, but something of the user%.0s' {1..200} >"$dir/i.db"
cp "$dir/i.db" "$dir/junk"
check "a damaged index is built again" same "photos 1, dated 0, rated 0, bursts 0, memories today 0" "$(counts P/a.jpg)"
check "and kept beside it as it was" same "" "$(cmp "$dir/junk" "$dir/i.db.old" 2>&1)"
check "no PATH and --db without a file are refused" same "2 2" \
  "$("$tool" index >/dev/null 2>&1; echo $?) $("$tool" index --db >/dev/null 2>&1; echo $?)"
# Ten photos of a burst, 5 s apart, and 40 taken hours apart: the dates come from the files'
# EXIF through the index, and every round of 50 keeps the burst five places apart.
mkdir "$dir/B"
for i in $(seq 0 9); do python3 "$photo" "$dir/B/b$i.jpg" --date "2024:05:01 10:00:$((10 + i * 5))"; done
for i in $(seq 10 49); do python3 "$photo" "$dir/B/s$i.jpg" --date "2024:05:$((10 + i / 10)) $((i % 10 + 10)):00:00"; done
check "one burst among the 50" same "photos 50, dated 50, rated 0, bursts 1, memories today 0" \
  "$("$tool" index --db "$dir/b.db" B | sed 's/, [0-9.]* s$//')"
nearest() {  # seed: the round's length and the fewest places between two of the burst
  local lap
  lap="$("$tool" library --shuffle --seed "$1" --index "$dir/b.db" B/)"
  echo "$(echo "$lap" | wc -l) $(echo "$lap" | grep -n '/b[0-9]' | cut -d: -f1 |
    awk 'NR > 1 { d = $1 - p; if (m == "" || d < m) m = d } { p = $1 } END { print m }')"
}
check "--index: three shuffled rounds keep the burst five places apart" same "50 5,50 5,50 5" \
  "$(nearest 1),$(nearest 2),$(nearest 3)"
printf '%s\t2024-05-01 10:00:00\n' "$dir/B/b0.jpg" >"$dir/facts.txt"
check "--index with --facts too is refused" same 2 \
  "$("$tool" library --index "$dir/b.db" --facts "$dir/facts.txt" B/ >/dev/null 2>&1; echo $?)"
printf 'B/\xff\xfe.jpg\t2024-05-01 10:00:00\n' >"$dir/binary.txt"
check "--facts naming a photo in bytes no file name holds: the round goes on" same 50 \
  "$("$tool" library --facts "$dir/binary.txt" B/ 2>/dev/null | wc -l)"
mkdir "$dir/C"
touch "$dir/C/a.jpg"
clip() { ffmpeg -v error -y -f lavfi -i color=red:s=64x48:d=1 -metadata creation_time="$1" "$2" </dev/null; }
clip 2021-06-05T12:00:00Z "$dir/C/b.mp4"
clip 2019-01-01T12:00:00Z "$dir/C/c.mov"
check "--videos 1: the clips' dates from their headers" same "photos 3, dated 2, rated 0, bursts 0, memories today 0" \
  "$("$tool" index --db "$dir/c.db" --videos 1 C | sed 's/, [0-9.]* s$//')"
check "a clip of this day in an earlier year comes first" same "$dir/C/b.mp4" \
  "$("$tool" library --index "$dir/c.db" --memories --today 2026-06-06 --videos 1 C/ | head -1)"
walked() { "$tool" walk "$@" | sed 's/, [0-9.]* s$//'; }
check "walk: the pictures of a folder, subfolders too" same "pictures 3, whole" "$(walked P/)"
check "walk: a picture entry and a folder's" same "pictures 51, whole" "$(walked P/a.jpg B/)"
check "walk: no ENTRY is refused" same 2 "$("$tool" walk >/dev/null 2>&1; echo $?)"
check "walk: a server address without a stored password is left out, exit 1" same 1 \
  "$("$tool" walk http://127.0.0.1:9/photos/ P/ >/dev/null 2>&1; echo $?)"
check "index: a server address it cannot serve is left out, the folder beside it indexed" same \
  "photos 3, dated 0, rated 0, bursts 0, memories today 0" \
  "$("$tool" index --db "$dir/s.db" http://127.0.0.1:9/photos/ P/ 2>/dev/null | sed 's/, [0-9.]* s$//')"
check "index: and says so on standard error" same 1 \
  "$("$tool" index --db "$dir/s.db" http://127.0.0.1:9/photos/ P/ 2>&1 >/dev/null | grep -c 'not served')"
report "index tool"
