#!/usr/bin/env bash
# lumora-tool library: the walk's order with hidden items left out, either separator, the same
# seed giving the same laps, K laps, the decoders of --extensions with a raw+JPEG pair and a
# link that loops, a burst spread by the dates of --facts and a folder left out, clips and a
# live photo's pair under --videos, and bad usage.
# Usage: library_tool_test.sh LUMORA_TOOL [BUILD_DIR]
set -u
tool="${1:?usage: library_tool_test.sh LUMORA_TOOL [BUILD_DIR]}"
source "$(dirname "${BASH_SOURCE[0]}")/../wine/e2e_lib.sh"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/P/b10" "$dir/P/b2" "$dir/P/.hidden"
touch "$dir/P/img10.JPG" "$dir/P/img2.png" "$dir/P/.x.jpg" "$dir/P/notes.txt" "$dir/P/b10/c.tif" "$dir/P/b2/d.gif" \
  "$dir/P/.hidden/e.jpg" "$dir/one.jpeg"
cd "$dir"
check "list order" same "$dir/one.jpeg $dir/P/img2.png $dir/P/img10.JPG $dir/P/b2/d.gif $dir/P/b10/c.tif" \
  "$("$tool" library one.jpeg 'P\' | tr '\n' ' ' | sed 's/ $//')"
a="$("$tool" library --shuffle --seed 5 --laps 3 P/)"
check "the same seed, the same laps" same "$a" "$("$tool" library --shuffle --seed 5 --laps 3 P/)"
check "three laps of four pictures" same 12 "$(echo "$a" | wc -l)"  # each once a lap: the unit tests
mkdir -p "$dir/R/s"
touch "$dir/R/IMG_1.CR2" "$dir/R/IMG_1.JPG" "$dir/R/IMG_2.nef" "$dir/R/s/x.jpg"
ln -s .. "$dir/R/s/loop"
check "--extensions: the raw file beside its JPEG left out, the looping link walked once" same \
  "R/IMG_1.JPG R/IMG_2.nef R/s/x.jpg" \
  "$("$tool" library --extensions jpg,CR2,.nef R/ | sed "s|^$dir/||" | tr '\n' ' ' | sed 's/ $//')"
check "--laps 0, --extensions without any and no entry are refused" same "2 2 2" \
  "$("$tool" library --laps 0 P/ >/dev/null 2>&1; echo $?) $("$tool" library --extensions , P/ >/dev/null 2>&1; echo $?) $("$tool" library >/dev/null 2>&1; echo $?)"
mkdir -p "$dir/B/private"
: >"$dir/facts.txt"
for i in 0 1 2 3 4 5 6 7 8 9; do
  touch "$dir/B/b$i.jpg"
  printf '%s\t2024-05-01 10:00:%02d\n' "$dir/B/b$i.jpg" $((i * 5)) >>"$dir/facts.txt"
done
for i in $(seq 0 39); do touch "$dir/B/s$i.jpg"; done
touch "$dir/B/private/x.jpg"
lap="$("$tool" library --extensions jpg --shuffle --seed 8 --facts "$dir/facts.txt" --leave-out "$dir/B/Private" B/)"
check "--facts: a burst of ten among 40 spread five places apart; --leave-out: the folder left out" same "50 5" \
  "$(echo "$lap" | wc -l) $(echo "$lap" | grep -n '/b[0-9]' | cut -d: -f1 | awk 'NR > 1 { d = $1 - p; if (m == "" || d < m) m = d } { p = $1 } END { print m }')"
mkdir -p "$dir/V"
touch "$dir/V/IMG_1.HEIC" "$dir/V/IMG_1.MOV" "$dir/V/IMG_2.JPG" "$dir/V/trip.mp4" "$dir/V/clip.AVI" "$dir/V/notes.txt"
videos() { "$tool" library --extensions jpg,heic --videos "$1" V/ | sed "s|^$dir/V/||" | tr '\n' ' ' | sed 's/ $//'; }
check "--videos 0 and 2: the stills alone; 1: the clips too, a live photo's pair as its still" same \
  "IMG_1.HEIC IMG_2.JPG|clip.AVI IMG_1.HEIC IMG_2.JPG trip.mp4|IMG_1.HEIC IMG_2.JPG" "$(videos 0)|$(videos 1)|$(videos 2)"
check "--videos 3 is refused" same 2 "$("$tool" library --videos 3 V/ >/dev/null 2>&1; echo $?)"
report "library tool"
