#!/usr/bin/env bash
# Fails, naming the file and the include, when a file under src/ includes a header from a
# layer above its own (src/layers.txt), or sits in or names a folder the table lacks.
#   scripts/check-layers.sh [SRC_DIR]
set -uo pipefail
SRC="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../src" && pwd)}"
declare -A layer
n=0
while read -r line; do
  line="${line%%#*}"
  [ -n "${line// /}" ] || continue
  for folder in $line; do layer[$folder]=$n; done
  n=$((n + 1))
done <"$SRC/layers.txt"

bad=0
while IFS= read -r file; do
  rel="${file#"$SRC"/}"
  own="${rel%%/*}"
  if [ -z "${layer[$own]+x}" ]; then
    echo "layers: $rel: folder '$own' is not in src/layers.txt"
    bad=$((bad + 1))
    continue
  fi
  while IFS=: read -r lineno include; do
    target="${include%%/*}"
    [ "$target" != "$include" ] || continue  # a header of the same folder, or a library's
    if [ -z "${layer[$target]+x}" ]; then
      [ -d "$SRC/$target" ] || continue        # not one of ours (minizip's "unzip.h" and the like)
      echo "layers: $rel:$lineno includes \"$include\" from '$target', which is not in src/layers.txt"
      bad=$((bad + 1))
    elif [ "${layer[$target]}" -gt "${layer[$own]}" ]; then
      echo "layers: $rel:$lineno includes \"$include\": '$target' is a higher layer than '$own'"
      bad=$((bad + 1))
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
           sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2/')
done < <(find "$SRC" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.c' -o -name '*.rc' \) | sort)

if [ "$bad" -gt 0 ]; then
  echo "layers: $bad include(s) point up the layers"
  exit 1
fi
echo "layers: every include points down"
