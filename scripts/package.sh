#!/usr/bin/env bash
# The two release packages, from dist/Lumora.scr, dist/LMRResource.dat and dist/LumoraPlaces.dat:
#   dist/LumoraSetup.exe        the installer (installer/lumora.nsi)
#   dist/Lumora-VERSION.zip     the three files and installer/README.txt, for people who install
#                               a screen saver themselves with right-click "Install"
# The version comes from VERSION only. Called by ./lumora build. With LUMORA_SIGN_PFX set
# (see scripts/sign.sh), the uninstaller and the installer are signed as they are made.
# LUMORA_DIST: another folder than dist/ to read from and write into.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
DIST="${LUMORA_DIST:-$ROOT/dist}"

VERSION="$(tr -d ' \t\r\n' <VERSION)"
# The installer's version resource needs plain numbers: x.y.z becomes x.y.z.0.
if ! [[ "$VERSION" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]]; then
  echo "package.sh: VERSION must read x.y.z, not '$VERSION'" >&2
  exit 1
fi
for f in "$DIST/Lumora.scr" "$DIST/LMRResource.dat" "$DIST/LumoraPlaces.dat"; do
  [ -f "$f" ] || { echo "package.sh: $f is missing (./lumora build makes it)" >&2; exit 1; }
done

sign=()
[ -z "${LUMORA_SIGN_PFX:-}" ] || sign=(-DSIGN="bash \"$ROOT/scripts/sign.sh\"")
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$VERSION" -DDIST="$DIST" "${sign[@]}" installer/lumora.nsi

# The same inputs give the same zip: fixed order, no extra attributes (-X), no folder
# entries (-D), and one time stamp for every file, in UTC, taken from SOURCE_DATE_EPOCH or
# else the last commit.
stamp="${SOURCE_DATE_EPOCH:-$(git -C "$ROOT" log -1 --format=%ct 2>/dev/null || true)}"
stamp="${stamp:-946684800}"
stage="$ROOT/build/package/zip"
rm -rf "$stage"
mkdir -p "$stage"
cp "$DIST/Lumora.scr" "$DIST/LMRResource.dat" "$DIST/LumoraPlaces.dat" "$stage/"
# Notepad on older Windows shows a file with bare line feeds as one long line.
sed -e "s/@VERSION@/$VERSION/g" -e 's/$/\r/' installer/README.txt >"$stage/README.txt"
chmod 644 "$stage"/*
touch -d "@$stamp" "$stage"/*
# zip adds to an archive that exists; a zip of an older version would only linger.
rm -f "$DIST"/Lumora-*.zip
(cd "$stage" && TZ=UTC zip -q -X -D "$DIST/Lumora-$VERSION.zip" Lumora.scr LMRResource.dat LumoraPlaces.dat README.txt)
rm -rf "$stage"
