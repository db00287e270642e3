#!/usr/bin/env bash
# lumora-tool library: the walk's order with hidden items left out, either separator, the same
# seed giving the same laps, K laps, and bad usage.
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
check "--laps 0 and no entry are refused" same "2 2" \
  "$("$tool" library --laps 0 P/ >/dev/null 2>&1; echo $?) $("$tool" library >/dev/null 2>&1; echo $?)"
report "library tool"
