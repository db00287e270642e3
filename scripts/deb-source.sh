# Sourced by the fetch-*.sh scripts: fetches and unpacks one Debian source package with a
# private apt configuration under build/deps/apt-PACKAGE. The machine's own apt setup is only
# read (to find its Debian mirror), never changed.

# deb_source SOURCE BINARY DEPS: unpacks source package SOURCE (the version of the installed
# package BINARY when that one is to be had) into $DEB_SOURCE_TREE, a folder beside the
# downloaded files that the caller checks and moves into place.
deb_source() {
  local source="$1" binary="$2" DEPS="$3"
  for tool in apt-get dpkg-source; do
    command -v "$tool" >/dev/null || { echo "deb_source: '$tool' is missing (install dpkg-dev)" >&2; return 1; }
  done
  codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")"

  # The mirror the machine already installs Debian packages of suite $1 from, so that the
  # sources match its installed package.
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
  # Security fixes are published there, and the installed package may be one.
  security="$(find_mirror "$codename-security" | first_uri || true)"

  keyring=/usr/share/keyrings/debian-archive-keyring.gpg
  APT="$DEPS/apt-$source"
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

  echo "$source sources from $mirror ($codename)"
  apt-get "${apt_opts[@]}" update >"$APT/update.log" 2>&1 || { cat "$APT/update.log" >&2; return 1; }

  # Prefer the same version as the installed binary package, so headers and sources agree.
  want="$(dpkg-query -W -f='${source:Version}' "$binary" 2>/dev/null || true)"
  cd "$APT/download"
  if ! { [ -n "$want" ] && apt-get "${apt_opts[@]}" source --download-only "$source=$want" >"$APT/source.log" 2>&1; }; then
    apt-get "${apt_opts[@]}" source --download-only "$source" >"$APT/source.log" 2>&1 || { cat "$APT/source.log" >&2; return 1; }
  fi

  dsc="$(ls -1 "$APT"/download/"$source"_*.dsc | head -n1)"
  # Unpacked beside the downloaded files (dpkg-source wants the tarballs next to the target)
  # and moved into place only when complete, so an interrupted run leaves no half tree.
  DEB_SOURCE_TREE="$APT/download/$source-src"
  rm -rf "$DEB_SOURCE_TREE"
  dpkg-source --no-check -x "$dsc" "$DEB_SOURCE_TREE" >"$APT/extract.log" 2>&1 || { cat "$APT/extract.log" >&2; return 1; }
  DEB_SOURCE_DSC="$dsc"
}
