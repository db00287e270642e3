#!/usr/bin/env bash
# lumora-tool settings and texts: exact output on small files, the exact bytes that
# "settings --save-to" writes, and the language-file line rules end to end.
set -euo pipefail
tool="$1"
build="${2:-${TMPDIR:-/tmp}}"
tmp="$(mktemp -d "$build/config_tool_test.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT

failures=0
# expect NAME EXPECTED-FILE ACTUAL-FILE
expect() {
  if cmp -s "$2" "$3"; then
    echo "ok: $1"
  else
    echo "FAILED: $1"
    diff <(od -c "$2") <(od -c "$3") | head -20 || true
    failures=$((failures + 1))
  fi
}

# --- settings: no file -> defaults ---------------------------------------------------
"$tool" settings "$tmp/missing.settings" >"$tmp/out"
printf 'loaded 0\nBlobsSpeed 40\nBlobsSize 80\nShowImages 1\nSelectCubeMap 0\nSelectLumoraEffect 0\n' >"$tmp/want"
expect "settings without a file" "$tmp/want" "$tmp/out"

# --- settings: pictures, an empty picture, and the value-line quirks -------------------
printf 'before.jpg\r\n#Picture Info _ begin\r\nC:\\Pictures\\one.jpg\r\n\r\nC:\\M\xc3\xbcller\\\xd0\xa4.png\r\n#Picture Info _ end\r\n   BlobsSpeed   55\r\nBlobsSize\r\nshowimages 0\r\nShowImages 12abc\r\nSelectCubeMap\t4\r\nSelectLumoraEffect 3\r\nSelectLumoraEffect x\r\nBlobsSize -7\r\n' >"$tmp/odd.settings"
"$tool" settings "$tmp/odd.settings" >"$tmp/out"
printf 'loaded 1\npicture before.jpg\npicture C:\\Pictures\\one.jpg\npicture \npicture C:\\M\xc3\xbcller\\\xd0\xa4.png\nBlobsSpeed 55\nBlobsSize -7\nShowImages 12\nSelectCubeMap 0\nSelectLumoraEffect 0\n' >"$tmp/want"
expect "settings with odd lines" "$tmp/want" "$tmp/out"

# --- settings --save-to: exact bytes, CR LF, pictures as UTF-8 --------------------------
"$tool" settings "$tmp/odd.settings" --save-to "$tmp/saved.settings" >"$tmp/out"
expect "settings --save-to prints the record" "$tmp/want" "$tmp/out"
printf '#Picture Info _ begin\r\nbefore.jpg\r\nC:\\Pictures\\one.jpg\r\n\r\nC:\\M\xc3\xbcller\\\xd0\xa4.png\r\n#Picture Info _ end\r\nBlobsSpeed 55\r\nBlobsSize -7\r\nShowImages 12\r\nSelectCubeMap 0\r\nSelectLumoraEffect 0\r\n' >"$tmp/want.settings"
expect "settings --save-to bytes" "$tmp/want.settings" "$tmp/saved.settings"

# Saving what was saved changes nothing.
"$tool" settings "$tmp/saved.settings" --save-to "$tmp/again.settings" >/dev/null
expect "settings save is stable" "$tmp/saved.settings" "$tmp/again.settings"

# --- settings: values without the end marker are pictures ------------------------------
printf 'BlobsSpeed 10\r\nShowImages 0\r\n' >"$tmp/no_marker.settings"
"$tool" settings "$tmp/no_marker.settings" >"$tmp/out"
printf 'loaded 1\npicture BlobsSpeed 10\npicture ShowImages 0\nBlobsSpeed 40\nBlobsSize 80\nShowImages 1\nSelectCubeMap 0\nSelectLumoraEffect 0\n' >"$tmp/want"
expect "settings without end marker" "$tmp/want" "$tmp/out"

# --- settings: an old file in the Western ANSI code page --------------------------------
printf '#Picture Info _ begin\r\nC:\\M\xfcller.jpg\r\n#Picture Info _ end\r\n' >"$tmp/ansi.settings"
"$tool" settings "$tmp/ansi.settings" --save-to "$tmp/ansi_saved.settings" >"$tmp/out"
printf 'loaded 1\npicture C:\\M\xc3\xbcller.jpg\nBlobsSpeed 40\nBlobsSize 80\nShowImages 1\nSelectCubeMap 0\nSelectLumoraEffect 0\n' >"$tmp/want"
expect "settings reads an ANSI line" "$tmp/want" "$tmp/out"

# --- settings: a 5000-byte path stays one picture ---------------------------------------
long="C:\\$(head -c 4997 /dev/zero | tr '\0' 'p')"
printf '#Picture Info _ begin\r\n%s\r\n#Picture Info _ end\r\n' "$long" >"$tmp/long.settings"
"$tool" settings "$tmp/long.settings" >"$tmp/out"
printf 'loaded 1\npicture %s\nBlobsSpeed 40\nBlobsSize 80\nShowImages 1\nSelectCubeMap 0\nSelectLumoraEffect 0\n' "$long" >"$tmp/want"
expect "settings long line" "$tmp/want" "$tmp/out"

# --- settings: usage errors -------------------------------------------------------------
if "$tool" settings >/dev/null 2>&1; then echo "FAILED: settings without a file must fail"; failures=$((failures + 1)); fi
if "$tool" settings "$tmp/odd.settings" --save-to "$tmp/no/such/folder.settings" >/dev/null 2>&1; then
  echo "FAILED: --save-to into a missing folder must fail"; failures=$((failures + 1))
fi

# --- texts: built-in table --------------------------------------------------------------
"$tool" texts >"$tmp/out"
[ "$(wc -l <"$tmp/out")" -eq 84 ] || { echo "FAILED: texts without a file: $(wc -l <"$tmp/out") lines"; failures=$((failures + 1)); }
head -n 2 "$tmp/out" >"$tmp/head"
printf '0\t\xd0\x9ek\n1\tCancel\n' >"$tmp/want"
expect "texts built-in first lines" "$tmp/want" "$tmp/head"
sed -n '24,26p;36,37p;54,55p;64p;69p' "$tmp/out" >"$tmp/some"
printf '23\tAurora Screen Saver\n24\tNebula Screen Saver\n25\tComet Screen Saver\n35\tTrail Length\n36\tGlow Intensity\n53\tClick Add or just drag and drop files to this window.\n54\tEffect\n63\tSpan all monitors\n68\tThe settings could not be saved.\n' >"$tmp/want"
expect "texts built-in chosen lines" "$tmp/want" "$tmp/some"

# --- texts: the line rules of a language file -------------------------------------------
printf '\xef\xbb\xbf\xd0\x9e\xd0\xba\r\nA\nB\r\nC\rD\r\n"x, y",z\r\n\r\nlast' >"$tmp/rules.csv"
"$tool" texts "$tmp/rules.csv" >"$tmp/out"
printf '0\t\xd0\x9e\xd0\xba\n1\tAB\n2\tC\rD\n3\t"x, y",z\n4\t\n' >"$tmp/want"
expect "texts line rules" "$tmp/want" "$tmp/out"

# Without a byte-order mark the first character is lost.
printf 'Cancel\r\nPreview\r\n' >"$tmp/nobom.csv"
"$tool" texts "$tmp/nobom.csv" >"$tmp/out"
printf '0\tancel\n1\tPreview\n' >"$tmp/want"
expect "texts without byte-order mark" "$tmp/want" "$tmp/out"

# LF-only and empty files fall back to the built-in texts.
"$tool" texts >"$tmp/builtin"
printf '\xef\xbb\xbfOk\nCancel\n' >"$tmp/lf.csv"
"$tool" texts "$tmp/lf.csv" >"$tmp/out"
expect "texts LF-only file" "$tmp/builtin" "$tmp/out"
: >"$tmp/empty.csv"
"$tool" texts "$tmp/empty.csv" >"$tmp/out"
expect "texts empty file" "$tmp/builtin" "$tmp/out"

# Invalid UTF-8 becomes U+FFFD.
printf '\xef\xbb\xbfa\xffb\r\n' >"$tmp/bad.csv"
"$tool" texts "$tmp/bad.csv" >"$tmp/out"
printf '0\ta\xef\xbf\xbdb\n' >"$tmp/want"
expect "texts invalid UTF-8" "$tmp/want" "$tmp/out"

if "$tool" texts "$tmp/missing.csv" >/dev/null 2>&1; then echo "FAILED: texts on a missing file must fail"; failures=$((failures + 1)); fi

if [ "$failures" -ne 0 ]; then
  echo "config tool: $failures failure(s)"
  exit 1
fi
echo "config tool: settings and texts: ok"
