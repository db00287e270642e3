#!/usr/bin/env bash
# Puts the sources of Debian's zlib package (with contrib/minizip) at build/deps/zlib-src.
# Debian's binary libminizip has decryption compiled out, so both builds compile minizip
# from these sources instead. apt gets a private configuration under build/deps/apt: the
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

for tool in apt-get dpkg-source; do
  command -v "$tool" >/dev/null || { echo "fetch-minizip: '$tool' is missing (install dpkg-dev)" >&2; exit 1; }
done

codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")"

# The mirror the machine already installs Debian packages of suite $1 from, so that the
# sources match its zlib1g-dev.
find_mirror() {
  local f want="$1"
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk -v want="$want" '
      function flush() {
        if (!off && types ~ /(^| )deb( |$)/ && (" " suites " ") ~ (" " want " ") && uris != "") {
          split(uris, u, " "); print u[1]; found = 1; exit
        }
        types = ""; suites = ""; uris = ""; off = 0
      }
      /^[ \t]*$/ { flush(); next }
      /^Types:/   { sub(/^Types:[ \t]*/, "");   types = $0 }
      /^Suites:/  { sub(/^Suites:[ \t]*/, "");  suites = $0 }
      /^URIs:/    { sub(/^URIs:[ \t]*/, "");    uris = $0 }
      /^Enabled:[ \t]*no/ { off = 1 }
      END { if (!found) flush() }
    ' "$f"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    # "deb [options] URI SUITE COMPONENTS..."
    sed -e 's/\[[^]]*\]//' "$f" | awk -v want="$want" '$1 == "deb" && $3 == want { print $2; exit }'
  done
}
first_uri() { grep -m1 -E '^(https?|file|mirror\+[a-z]+)://' || true; }
# (|| true: grep may stop reading early, and pipefail must not end the script for that.)
mirror="$(find_mirror "$codename" | first_uri || true)"
mirror="${mirror:-http://deb.debian.org/debian}"
# zlib security fixes are published there, and the installed zlib1g-dev may be one.
security="$(find_mirror "$codename-security" | first_uri || true)"

keyring=/usr/share/keyrings/debian-archive-keyring.gpg
APT="$DEPS/apt"
rm -rf "$APT"
mkdir -p "$APT/sources.d" "$APT/lists/partial" "$APT/cache/archives/partial" "$APT/download"
{
  echo "Types: deb-src"
  echo "URIs: $mirror"
  echo "Suites: $codename $codename-updates"
  echo "Components: main"
  [ -f "$keyring" ] && echo "Signed-By: $keyring"
  if [ -n "$security" ]; then
    echo
    echo "Types: deb-src"
    echo "URIs: $security"
    echo "Suites: $codename-security"
    echo "Components: main"
    [ -f "$keyring" ] && echo "Signed-By: $keyring"
  fi
} >"$APT/sources.d/lumora-deb-src.sources"

apt_opts=(
  -o "Dir::Etc::SourceList=/dev/null"
  -o "Dir::Etc::SourceParts=$APT/sources.d"
  -o "Dir::State::Lists=$APT/lists"
  -o "Dir::Cache=$APT/cache"
  -o "Dir::Cache::pkgcache="
  -o "Dir::Cache::srcpkgcache="
  # Files land in our own folder; apt's sandbox user could not write there.
  -o "APT::Sandbox::User=root"
  # A machine pinned to a dated snapshot mirror would otherwise refuse its old Release.
  -o "Acquire::Check-Valid-Until=false"
  -q
)

echo "fetch-minizip: zlib sources from $mirror ($codename)"
apt-get "${apt_opts[@]}" update >"$APT/update.log" 2>&1 || { cat "$APT/update.log" >&2; exit 1; }

# Prefer the same version as the installed zlib1g-dev, so headers and sources agree.
want="$(dpkg-query -W -f='${source:Version}' zlib1g-dev 2>/dev/null || true)"
cd "$APT/download"
if ! { [ -n "$want" ] && apt-get "${apt_opts[@]}" source --download-only "zlib=$want" >"$APT/source.log" 2>&1; }; then
  apt-get "${apt_opts[@]}" source --download-only zlib >"$APT/source.log" 2>&1 || { cat "$APT/source.log" >&2; exit 1; }
fi

dsc="$(ls -1 "$APT"/download/zlib_*.dsc | head -n1)"
# Unpacked beside the downloaded files (dpkg-source wants the tarballs next to the target)
# and moved into place only when complete, so an interrupted run leaves no half tree.
tmp="$APT/download/zlib-src"
rm -rf "$tmp"
dpkg-source --no-check -x "$dsc" "$tmp" >"$APT/extract.log" 2>&1 || { cat "$APT/extract.log" >&2; exit 1; }
for f in unzip.c unzip.h ioapi.c ioapi.h zip.c zip.h crypt.h; do
  [ -f "$tmp/contrib/minizip/$f" ] || { echo "fetch-minizip: $dsc has no contrib/minizip/$f" >&2; exit 1; }
done
basename "$dsc" >"$tmp/.lumora-complete"
rm -rf "$SRC"
mv "$tmp" "$SRC"
echo "fetch-minizip: ready at ${SRC#$ROOT/}"
