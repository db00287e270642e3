#!/usr/bin/env bash
# lumora-tool index: the summary line of a folder's pictures (a folder named without its
# separator too), the same on a second run, a damaged index file moved aside whole and built
# again, and bad usage.
# Usage: index_tool_test.sh LUMORA_TOOL [BUILD_DIR]
set -u
tool="${1:?usage: index_tool_test.sh LUMORA_TOOL [BUILD_DIR]}"
source "$(dirname "${BASH_SOURCE[0]}")/../wine/e2e_lib.sh"
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
report "index tool"
