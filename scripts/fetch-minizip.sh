#!/usr/bin/env bash
# Puts the sources of Debian's zlib package (with contrib/minizip) at build/deps/zlib-src.
# Debian's binary libminizip has decryption compiled out, so both builds compile minizip
# from these sources instead, fetched by scripts/deb-source.sh with a private apt setup: the
# machine's own apt setup is only read (to find its Debian mirror), never changed.
# Idempotent: returns at once when the tree is already there.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
DEPS="$ROOT/build/deps"
SRC="$DEPS/zlib-src"
STAMP="$SRC/.lumora-complete"

[ -f "$STAMP" ] && exit 0

mkdir -p "$DEPS"
# Two builds started together must not both unpack into the same place.
exec 9>"$DEPS/.fetch-minizip.lock"
flock 9
[ -f "$STAMP" ] && exit 0

. "$ROOT/scripts/deb-source.sh"
deb_source zlib zlib1g-dev "$DEPS"
tmp="$DEB_SOURCE_TREE"
dsc="$DEB_SOURCE_DSC"
for f in unzip.c unzip.h ioapi.c ioapi.h zip.c zip.h crypt.h; do
  [ -f "$tmp/contrib/minizip/$f" ] || { echo "fetch-minizip: $dsc has no contrib/minizip/$f" >&2; exit 1; }
done
basename "$dsc" >"$tmp/.lumora-complete"
rm -rf "$SRC"
mv "$tmp" "$SRC"
echo "fetch-minizip: ready at ${SRC#$ROOT/}"
