#!/usr/bin/env bash
# Signing with a certificate made here (self-signed, so it is given to the check as its own
# trust anchor; Windows would not trust it):
#   Lumora.scr, LumoraSetup.exe and the uninstaller that the installer writes each carry one
#   Authenticode signature by that certificate whose digest matches the file
#   without a certificate nothing is signed
# Run from the repository root after ./lumora build.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT" || exit 1
source scripts/wine-env.sh
source tests/wine/e2e_lib.sh

WORK="$ROOT/build/e2e/signing"
rm -rf "$WORK"
mkdir -p "$WORK/dist"
SYS="$WINEPREFIX/drive_c/windows/system32"
TARGET="$WINEPREFIX/drive_c/lumora_signing_test"
# The work folder and the install go however the script ends: the prefix is shared with
# the other tests.
INSTALLED=0
remove_install() {
  if [ "$INSTALLED" = 1 ]; then
    rm -rf "$TARGET" "$SYS/Lumora.scr" "$SYS/LMRResource.dat"
    wine reg delete 'HKLM\SOFTWARE\VELMORA' /f >/dev/null 2>&1
    wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumora' /f >/dev/null 2>&1
    INSTALLED=0
  fi
  rm -rf "$WORK"
}
wine_cleanup_on_exit remove_install
for f in dist/Lumora.scr dist/LMRResource.dat dist/LumoraSetup.exe; do
  [ -f "$f" ] || { echo "   FAILED: $f is missing (run ./lumora build)"; exit 1; }
done

# verified FILE: one signature by the test certificate, chained to it, digest matching.
verified() {
  local out
  out="$(osslsigncode verify -CAfile "$WORK/cert.pem" -in "$1" 2>&1)" || { echo "$out" | tail -n 5; return 1; }
  local current calculated
  current="$(sed -n 's/^Current message digest *: *//p' <<<"$out" | tr -d ' ')"
  calculated="$(sed -n 's/^Calculated message digest *: *//p' <<<"$out" | tr -d ' ')"
  [ -n "$current" ] && [ "$current" = "$calculated" ] &&
    grep -q 'Subject: /CN=Lumora Test Signing' <<<"$out" &&
    grep -q '^Signature verification: ok' <<<"$out" &&
    grep -q '^Number of verified signatures: 1' <<<"$out"
}
unsigned() { local out; out="$(osslsigncode verify -in "$1" 2>&1)"; grep -q 'No signature found' <<<"$out"; }

echo "-- without a certificate"
for f in dist/Lumora.scr dist/LumoraSetup.exe; do
  if [ -n "${LUMORA_SIGN_PFX:-}" ] || unsigned "$f"; then pass "$f unsigned (or signed on purpose)"
  else fail "$f carries a signature nobody asked for"; fi
done

echo "-- with a test certificate"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Lumora Test Signing" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$WORK/key.pem" -out "$WORK/cert.pem" >/dev/null 2>&1 &&
  openssl pkcs12 -export -inkey "$WORK/key.pem" -in "$WORK/cert.pem" -passout pass:lumora-test \
    -out "$WORK/test.pfx" >/dev/null 2>&1 || { fail "no test certificate"; exit 1; }
cp dist/Lumora.scr dist/LMRResource.dat dist/LumoraPlaces.dat "$WORK/dist/"
export LUMORA_SIGN_PFX="$WORK/test.pfx" LUMORA_SIGN_PASS=lumora-test
unset LUMORA_SIGN_TIMESTAMP_URL
# As ./lumora build does it: the saver first, then the packages made from it.
if bash scripts/sign.sh "$WORK/dist/Lumora.scr" >/dev/null && LUMORA_DIST="$WORK/dist" bash scripts/package.sh >/dev/null
then pass "signed build"; else fail "signed build failed"; fi
for f in Lumora.scr LumoraSetup.exe; do
  if verified "$WORK/dist/$f"; then pass "$f signed, digest matches"; else fail "$f not properly signed"; fi
done
if cmp -s <(unzip -p "$WORK/dist/Lumora-"*.zip Lumora.scr) "$WORK/dist/Lumora.scr"; then pass "the zip holds the signed Lumora.scr"
else fail "the zip's Lumora.scr is not the signed one"; fi
if LUMORA_SIGN_PASS=wrong bash scripts/sign.sh "$WORK/dist/LMRResource.dat" >/dev/null 2>&1; then
  fail "a wrong password signed anyway"; else pass "a wrong password fails the build"; fi

# The uninstaller exists only inside the installer: let it write one.
wine_setup 640x480 || exit 1
INSTALLED=1
timeout 120 wine "$WORK/dist/LumoraSetup.exe" /S '/D=C:\lumora_signing_test' >/dev/null 2>&1
if [ -f "$TARGET/uninstall.exe" ] && verified "$TARGET/uninstall.exe"; then pass "uninstall.exe signed, digest matches"
else fail "uninstall.exe not properly signed"; fi
timeout 120 wine "$TARGET/uninstall.exe" /S '_?=C:\lumora_signing_test' >/dev/null 2>&1
remove_install
wine_teardown

report signing
