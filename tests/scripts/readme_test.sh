#!/usr/bin/env bash
# The README and docs/: no section of the long README of old was lost when it was split
# (each of its headings is still a heading somewhere), and every relative link and picture
# points to a file that exists, and to a heading there where it names one.
# Usage: readme_test.sh [LUMORA_TOOL] [BUILD_DIR] (both unused: the check reads only the text)
set -u
source "$(dirname "${BASH_SOURCE[0]}")/../wine/e2e_lib.sh"
cd "$(dirname "${BASH_SOURCE[0]}")/../.." || exit 1
FILES=(README.md docs/*.md)

# The headings outside code blocks, without their #s.
headings() { awk '/^```/ { code = !code; next } !code && /^#+ / { sub(/^#+ /, ""); print }' "$@"; }
# The anchors a heading gets: lower case, punctuation dropped, spaces as hyphens, and a
# repeated one numbered.
anchors() {
  headings "$1" | awk '{ s = tolower($0); gsub(/[^a-z0-9 _-]/, "", s); gsub(/ /, "-", s)
                         n = seen[s]++; print (n ? s "-" n : s) }'
}

all="$(headings "${FILES[@]}")"
while IFS= read -r heading; do
  check "heading \"$heading\" is kept" grep -qxF -- "$heading" <<<"$all"
done <<'EOF'
Lumora Screen Saver
Installing
With the installer
Without the installer
Unsigned builds
Configuring
Photo captions
Photo library
Photo options
Several monitors, sleeping displays
Languages
Where Lumora keeps things
The error screen
Licences
Building from source
What gets built
lumora-tool
Layout
Tests
Under Wine: what was verified and how
Performance
The particle heart
Frame pacing
The saver under Wine
Several monitors under Wine
Photos under Wine
The photo options
EOF

for file in "${FILES[@]}"; do
  links="$(awk '/^```/ { code = !code; next } !code' "$file" | grep -o ']([^)]*)' | sed 's/^](//; s/)$//' |
           grep -Ev '^(https?|mailto):')"
  while IFS= read -r link; do
    [ -n "$link" ] || continue
    path="${link%%#*}" anchor=""
    [ "$path" = "$link" ] || anchor="${link#*#}"
    target="$file"
    [ -z "$path" ] || target="$(dirname "$file")/$path"
    if [ ! -e "$target" ]; then
      fail "$file: $link" "no file $target"
    elif [ -n "$anchor" ] && ! anchors "$target" | grep -qxF -- "$anchor"; then
      fail "$file: $link" "no heading #$anchor in $target"
    else
      pass "$file: $link"
    fi
  done <<<"$links"
done

report readme_test
