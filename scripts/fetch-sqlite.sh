#!/usr/bin/env bash
# Puts SQLite's one-file amalgamation (sqlite3.c, sqlite3.h), made from the sources of Debian's
# sqlite3 package, at build/deps/sqlite-src, for the Windows build to compile statically (the
# native build links Debian's libsqlite3-dev). The amalgamation is made by SQLite's own
# build (its tool needs tclsh). Idempotent: returns at once when the files are already there.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
DEPS="$ROOT/build/deps"
SRC="$DEPS/sqlite-src"
STAMP="$SRC/.lumora-complete"

[ -f "$STAMP" ] && exit 0

mkdir -p "$DEPS"
# Two builds started together must not both unpack into the same place.
exec 9>"$DEPS/.fetch-sqlite.lock"
flock 9
[ -f "$STAMP" ] && exit 0

command -v tclsh >/dev/null || { echo "fetch-sqlite: 'tclsh' is missing (install tcl)" >&2; exit 1; }
. "$ROOT/scripts/deb-source.sh"
deb_source sqlite3 libsqlite3-dev "$DEPS"
tree="$DEB_SOURCE_TREE"
dsc="$DEB_SOURCE_DSC"
# Debian's tarball is SQLite's full source tree, without the amalgamation: configure it in a
# folder of its own and make only sqlite3.c (no library, no shell is built).
out="$tree.build"
rm -rf "$out"
mkdir -p "$out"
(cd "$out" && "$tree/configure" --disable-tcl >"$out/configure.log" 2>&1 && make sqlite3.c >"$out/make.log" 2>&1) || {
  tail -n 30 "$out"/*.log >&2
  exit 1
}
tmp="$DEPS/sqlite-src.tmp"
rm -rf "$tmp"
mkdir -p "$tmp"
cp "$out/sqlite3.c" "$out/sqlite3.h" "$tmp/"
basename "$dsc" >"$tmp/.lumora-complete"
rm -rf "$SRC" "$out"
mv "$tmp" "$SRC"
echo "fetch-sqlite: ready at ${SRC#$ROOT/}"
