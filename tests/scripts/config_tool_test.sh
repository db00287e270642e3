#!/usr/bin/env bash
# lumora-tool settings and texts: exact output on small files, the exact bytes that
# "settings --save-to" writes, and the language-file line rules end to end.
set -euo pipefail
tool="$1"
build="${2:-${TMPDIR:-/tmp}}"
tmp="$(mktemp -d "$build/config_tool_test.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT

source "$(dirname "${BASH_SOURCE[0]}")/../wine/e2e_lib.sh"

# --- settings: no file -> defaults ---------------------------------------------------
"$tool" settings "$tmp/missing.settings" >"$tmp/out"
printf 'loaded 0\nBlobsSpeed 40\nBlobsSize 80\nShowImages 1\nSelectCubeMap 0\nSelectLumoraEffect 0\n' >"$tmp/want"
check "settings without a file" same_file "$tmp/want" "$tmp/out"

# --- settings: pictures, an empty picture, and the value-line quirks -------------------
printf 'before.jpg\r\n#Picture Info _ begin\r\nC:\\Pictures\\one.jpg\r\n\r\nC:\\M\xc3\xbcller\\\xd0\xa4.png\r\n#Picture Info _ end\r\n   BlobsSpeed   55\r\nBlobsSize\r\nshowimages 0\r\nShowImages 12abc\r\nSelectCubeMap\t4\r\nSelectLumoraEffect 3\r\nSelectLumoraEffect x\r\nBlobsSize -7\r\n' >"$tmp/odd.settings"
"$tool" settings "$tmp/odd.settings" >"$tmp/out"
printf 'loaded 1\npicture before.jpg\npicture C:\\Pictures\\one.jpg\npicture \npicture C:\\M\xc3\xbcller\\\xd0\xa4.png\nBlobsSpeed 55\nBlobsSize -7\nShowImages 12\nSelectCubeMap 0\nSelectLumoraEffect 0\n' >"$tmp/want"
check "settings with odd lines" same_file "$tmp/want" "$tmp/out"

# --- settings --save-to: exact bytes, CR LF, pictures as UTF-8 --------------------------
"$tool" settings "$tmp/odd.settings" --save-to "$tmp/saved.settings" >"$tmp/out"
check "settings --save-to prints the record" same_file "$tmp/want" "$tmp/out"
printf '#Picture Info _ begin\r\nbefore.jpg\r\nC:\\Pictures\\one.jpg\r\n\r\nC:\\M\xc3\xbcller\\\xd0\xa4.png\r\n#Picture Info _ end\r\nBlobsSpeed 55\r\nBlobsSize -7\r\nShowImages 12\r\nSelectCubeMap 0\r\nSelectLumoraEffect 0\r\n' >"$tmp/want.settings"
check "settings --save-to bytes" same_file "$tmp/want.settings" "$tmp/saved.settings"

# Saving what was saved changes nothing.
"$tool" settings "$tmp/saved.settings" --save-to "$tmp/again.settings" >/dev/null
check "settings save is stable" same_file "$tmp/saved.settings" "$tmp/again.settings"

# --- settings: values without the end marker are pictures ------------------------------
printf 'BlobsSpeed 10\r\nShowImages 0\r\n' >"$tmp/no_marker.settings"
"$tool" settings "$tmp/no_marker.settings" >"$tmp/out"
printf 'loaded 1\npicture BlobsSpeed 10\npicture ShowImages 0\nBlobsSpeed 40\nBlobsSize 80\nShowImages 1\nSelectCubeMap 0\nSelectLumoraEffect 0\n' >"$tmp/want"
check "settings without end marker" same_file "$tmp/want" "$tmp/out"

# --- settings: an old file in the Western ANSI code page --------------------------------
printf '#Picture Info _ begin\r\nC:\\M\xfcller.jpg\r\n#Picture Info _ end\r\n' >"$tmp/ansi.settings"
"$tool" settings "$tmp/ansi.settings" --save-to "$tmp/ansi_saved.settings" >"$tmp/out"
printf 'loaded 1\npicture C:\\M\xc3\xbcller.jpg\nBlobsSpeed 40\nBlobsSize 80\nShowImages 1\nSelectCubeMap 0\nSelectLumoraEffect 0\n' >"$tmp/want"
check "settings reads an ANSI line" same_file "$tmp/want" "$tmp/out"

# --- settings: a 5000-byte path stays one picture ---------------------------------------
long="C:\\$(head -c 4997 /dev/zero | tr '\0' 'p')"
printf '#Picture Info _ begin\r\n%s\r\n#Picture Info _ end\r\n' "$long" >"$tmp/long.settings"
"$tool" settings "$tmp/long.settings" >"$tmp/out"
printf 'loaded 1\npicture %s\nBlobsSpeed 40\nBlobsSize 80\nShowImages 1\nSelectCubeMap 0\nSelectLumoraEffect 0\n' "$long" >"$tmp/want"
check "settings long line" same_file "$tmp/want" "$tmp/out"

# --- settings: usage errors -------------------------------------------------------------
check "settings without a file fails" not "$tool" settings
check "--save-to into a missing folder fails" not "$tool" settings "$tmp/odd.settings" --save-to "$tmp/no/such/folder.settings"

# --- texts: built-in table --------------------------------------------------------------
"$tool" texts >"$tmp/out"
english="$(dirname "$0")/../../assets/archive/Resource/Language_en.csv"
check "texts without a file: a line for each line of the English file" same "$(wc -l <"$english")" "$(wc -l <"$tmp/out")"
head -n 2 "$tmp/out" >"$tmp/head"
printf '0\t\xd0\x9ek\n1\tCancel\n' >"$tmp/want"
check "texts built-in first lines" same_file "$tmp/want" "$tmp/head"
sed -n '24,26p;36,37p;54,55p;64p;69p' "$tmp/out" >"$tmp/some"
printf '23\tAurora Screen Saver\n24\tNebula Screen Saver\n25\tComet Screen Saver\n35\tTrail Length\n36\tGlow Intensity\n53\tClick Add or just drag and drop files to this window.\n54\tEffect\n63\tSpan all monitors\n68\tThe settings could not be saved.\n' >"$tmp/want"
check "texts built-in chosen lines" same_file "$tmp/want" "$tmp/some"

# --- texts: the line rules of a language file -------------------------------------------
printf '\xef\xbb\xbf\xd0\x9e\xd0\xba\r\nA\nB\r\nC\rD\r\n"x, y",z\r\n\r\nlast' >"$tmp/rules.csv"
"$tool" texts "$tmp/rules.csv" >"$tmp/out"
printf '0\t\xd0\x9e\xd0\xba\n1\tAB\n2\tC\rD\n3\t"x, y",z\n4\t\n' >"$tmp/want"
check "texts line rules" same_file "$tmp/want" "$tmp/out"

# Without a byte-order mark the first character is lost.
printf 'Cancel\r\nPreview\r\n' >"$tmp/nobom.csv"
"$tool" texts "$tmp/nobom.csv" >"$tmp/out"
printf '0\tancel\n1\tPreview\n' >"$tmp/want"
check "texts without byte-order mark" same_file "$tmp/want" "$tmp/out"

# LF-only and empty files fall back to the built-in texts.
"$tool" texts >"$tmp/builtin"
printf '\xef\xbb\xbfOk\nCancel\n' >"$tmp/lf.csv"
"$tool" texts "$tmp/lf.csv" >"$tmp/out"
check "texts LF-only file" same_file "$tmp/builtin" "$tmp/out"
: >"$tmp/empty.csv"
"$tool" texts "$tmp/empty.csv" >"$tmp/out"
check "texts empty file" same_file "$tmp/builtin" "$tmp/out"

# Invalid UTF-8 becomes U+FFFD.
printf '\xef\xbb\xbfa\xffb\r\n' >"$tmp/bad.csv"
"$tool" texts "$tmp/bad.csv" >"$tmp/out"
printf '0\ta\xef\xbf\xbdb\n' >"$tmp/want"
check "texts invalid UTF-8" same_file "$tmp/want" "$tmp/out"

check "texts on a missing file fails" not "$tool" texts "$tmp/missing.csv"

report "config tool"
